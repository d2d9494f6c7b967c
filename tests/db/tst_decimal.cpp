// The exact decimal: its texts, its rounding and equality, and its conversions between scales,
// texts and the amount shown in euros.
#include "db/Decimal.h"

#include <QLocale>
#include <QTest>
#include <limits>

class TestDecimal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decimalTexte_data()
    {
        QTest::addColumn<qint64>("valeur");
        QTest::addColumn<int>("echelle");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("court");
        QTest::newRow("39.95") << Q_INT64_C(3995) << -2 << "39.95" << "39.95";
        QTest::newRow("40.00") << Q_INT64_C(4000) << -2 << "40.00" << "40";
        QTest::newRow("12.50") << Q_INT64_C(1250) << -2 << "12.50" << "12.5";
        QTest::newRow("-0.01") << Q_INT64_C(-1) << -2 << "-0.01" << "-0.01";
        QTest::newRow("-0.0000") << Q_INT64_C(0) << -4 << "0.0000" << "0";
        QTest::newRow("entier") << Q_INT64_C(-7) << 0 << "-7" << "-7";
        QTest::newRow("minimum") << std::numeric_limits<qint64>::min() << -2 << "-92233720368547758.08"
                                 << "-92233720368547758.08";
    }

    void decimalTexte()
    {
        QFETCH(qint64, valeur);
        QFETCH(int, echelle);
        QFETCH(QString, texte);
        QFETCH(QString, court);
        const fb::Decimal d{valeur, echelle};
        QCOMPARE(d.texte(), texte);
        QCOMPARE(d.texteCourt(), court);
    }

    void decimalArrondi_data()
    {
        QTest::addColumn<qint64>("valeur");
        QTest::addColumn<int>("echelle");
        QTest::addColumn<int>("decimales");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("moitié vers le haut") << Q_INT64_C(12345) << -3 << 2 << "12.35";
        QTest::newRow("moitié négative loin de zéro") << Q_INT64_C(-12345) << -3 << 2 << "-12.35";
        QTest::newRow("sous la moitié") << Q_INT64_C(-12344) << -3 << 2 << "-12.34";
        QTest::newRow("vers l'entier") << Q_INT64_C(-5) << -1 << 0 << "-1";
        QTest::newRow("plus de décimales") << Q_INT64_C(125) << -1 << 2 << "12.50";
        QTest::newRow("18,4 vers 2") << Q_INT64_C(-987654321098765432) << -4 << 2 << "-98765432109876.54";
    }

    void decimalArrondi()
    {
        QFETCH(qint64, valeur);
        QFETCH(int, echelle);
        QFETCH(int, decimales);
        QFETCH(QString, attendu);
        const fb::Decimal r = fb::Decimal{valeur, echelle}.arrondi(decimales);
        QCOMPARE(r.texte(), attendu);
        QCOMPARE(r.echelle, -decimales);
    }

    void decimalEgalite()
    {
        QVERIFY((fb::Decimal{1250, -2} == fb::Decimal{125, -1}));
        QVERIFY((fb::Decimal{-1, -2} == fb::Decimal{-100, -4}));
        QVERIFY(!(fb::Decimal{1, -2} == fb::Decimal{-1, -2}));
        QVERIFY(!(fb::Decimal{std::numeric_limits<qint64>::max(), 0} == fb::Decimal{-1, -4}));
    }

    void echelle_data()
    {
        QTest::addColumn<qint64>("valeur");
        QTest::addColumn<int>("echelle");
        QTest::addColumn<int>("decimales");
        QTest::addColumn<qint64>("attendu");
        QTest::newRow("widen") << qint64(3995) << -2 << 4 << qint64(399500);
        QTest::newRow("whole to four") << qint64(40) << 0 << 4 << qint64(400000);
        QTest::newRow("half up") << qint64(3995) << -3 << 2 << qint64(400);
        QTest::newRow("no double rounding") << qint64(149) << -4 << 2 << qint64(1);
        QTest::newRow("half away negative") << qint64(-125) << -3 << 2 << qint64(-13);
        QTest::newRow("below half negative") << qint64(-124) << -3 << 2 << qint64(-12);
        QTest::newRow("same") << qint64(-500) << -2 << 2 << qint64(-500);
    }

    void echelle()
    {
        QFETCH(qint64, valeur);
        QFETCH(int, echelle);
        QFETCH(int, decimales);
        QFETCH(qint64, attendu);
        const auto r = decimaux::versEchelle(fb::Decimal{valeur, echelle}, decimales);
        QVERIFY(r.has_value());
        QCOMPARE(r->valeur, attendu);
        QCOMPARE(r->echelle, -decimales);
    }

    void texteMontant_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("valide");
        QTest::addColumn<qint64>("centimes");
        QTest::newRow("whole") << "12" << true << qint64(1200);
        QTest::newRow("one decimal") << "-5.5" << true << qint64(-550);
        QTest::newRow("two decimals") << "0.01" << true << qint64(1);
        QTest::newRow("blanks around") << " 39.95 " << true << qint64(3995);
        QTest::newRow("three decimals") << "1.005" << false << qint64(0);
        QTest::newRow("comma") << "1,5" << false << qint64(0);
        QTest::newRow("grouping") << "1 000" << false << qint64(0);
        QTest::newRow("empty") << "" << false << qint64(0);
        QTest::newRow("point alone") << "." << false << qint64(0);
        QTest::newRow("too large") << "99999999999999999999" << false << qint64(0);
    }

    void texteMontant()
    {
        QFETCH(QString, texte);
        QFETCH(bool, valide);
        QFETCH(qint64, centimes);
        const auto r = decimaux::depuisTexte(texte, 2);
        QCOMPARE(r.has_value(), valide);
        if (valide)
            QCOMPARE(r->valeur, centimes);
    }

    void montantEuro_data()
    {
        QTest::addColumn<QString>("langue");
        QTest::addColumn<qint64>("valeur");
        QTest::addColumn<int>("echelle");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("French") << "fr_FR" << qint64(399500) << -4 << QStringLiteral("39,95€");
        QTest::newRow("English") << "en_US" << qint64(399500) << -4 << QStringLiteral("39.95€");
        QTest::newRow("rounded") << "fr_FR" << qint64(124950) << -4 << QStringLiteral("12,50€");
        QTest::newRow("no grouping") << "fr_FR" << qint64(12345600) << -4 << QStringLiteral("1234,56€");
        QTest::newRow("whole") << "fr_FR" << qint64(40) << 0 << QStringLiteral("40,00€");
    }

    void montantEuro()
    {
        QFETCH(QString, langue);
        QFETCH(qint64, valeur);
        QFETCH(int, echelle);
        QFETCH(QString, attendu);
        const QLocale avant;
        QLocale::setDefault(QLocale(langue));
        const QString texte = decimaux::montantEuro(fb::Decimal{valeur, echelle});
        QLocale::setDefault(avant);
        QCOMPARE(texte, attendu);
    }
};

QTEST_GUILESS_MAIN(TestDecimal)
#include "tst_decimal.moc"
