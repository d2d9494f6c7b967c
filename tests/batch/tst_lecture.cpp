// Reading client numbers from CSV bytes.
#include "batch/NumerosCsv.h"

#include <QRandomGenerator>
#include <QTest>
#include <limits>

class TestLecture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conversion_data();
    void conversion();
    void numeros_data();
    void numeros();
    void fichierBinaire();
};

void TestLecture::conversion_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<qint64>("attendu");
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    QTest::newRow("decimal") << "1234" << qint64(1234);
    QTest::newRow("leading zero") << "01234" << qint64(1234);
    QTest::newRow("leading blanks") << "   42" << qint64(42);
    QTest::newRow("trailing blank") << "42 " << qint64(0);
    QTest::newRow("blank inside") << "4 2" << qint64(0);
    QTest::newRow("leading tab") << "\t42" << qint64(0);
    QTest::newRow("plus") << "+7" << qint64(7);
    QTest::newRow("minus") << "-5" << qint64(-5);
    QTest::newRow("blank after sign") << "- 5" << qint64(0);
    QTest::newRow("zero") << "0" << qint64(0);
    QTest::newRow("letter after") << "12a" << qint64(0);
    QTest::newRow("word") << "Numero" << qint64(0);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("sign alone") << "-" << qint64(0);
    QTest::newRow("dollar") << "$4D2" << qint64(1234);
    QTest::newRow("dollar lower") << "$4d2" << qint64(1234);
    QTest::newRow("0x") << "0x4D2" << qint64(1234);
    QTest::newRow("0X") << "0X4d2" << qint64(1234);
    QTest::newRow("negative hex") << "-$10" << qint64(-16);
    QTest::newRow("dollar alone") << "$" << qint64(0);
    QTest::newRow("0x alone") << "0x" << qint64(0);
    QTest::newRow("bad hex digit") << "$4G" << qint64(0);
    QTest::newRow("largest") << "9223372036854775807" << max;
    QTest::newRow("overflow") << "9223372036854775808" << qint64(0);
    QTest::newRow("smallest") << "-9223372036854775808" << min;
    QTest::newRow("below smallest") << "-9223372036854775809" << qint64(0);
    QTest::newRow("hex largest") << "$7FFFFFFFFFFFFFFF" << max;
    QTest::newRow("hex top bit") << "$FFFFFFFFFFFFFFFF" << qint64(-1);
    QTest::newRow("hex 17 digits") << "$10000000000000000" << qint64(0);
    QTest::newRow("hex leading zeros") << "$00000000000000000001" << qint64(1);
    QTest::newRow("decimal point") << "12.0" << qint64(0);
}

void TestLecture::conversion()
{
    QFETCH(QString, texte);
    QFETCH(qint64, attendu);
    QCOMPARE(csv::ConvertirEntier64(texte), attendu);
}

void TestLecture::numeros_data()
{
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<QStringList>("attendus");   // in the set's order

    QTest::newRow("quoted, semicolon") << QByteArray("\"1234\";\"Dupont\"\r\n") << QStringList{"1234"};
    QTest::newRow("comma") << QByteArray("1234,Dupont\r\n") << QStringList{"1234"};
    QTest::newRow("semicolon") << QByteArray("1234;Dupont\r\n") << QStringList{"1234"};
    QTest::newRow("tab") << QByteArray("1234\tDupont\r\n") << QStringList{"1234"};
    QTest::newRow("comma cut before semicolon") << QByteArray("12;34,5\n") << QStringList{"12"};
    QTest::newRow("quotes inside a field") << QByteArray("\"12\"\"34\"\n") << QStringList{"1234"};
    QTest::newRow("header, blank, zero, negative, letters")
        << QByteArray("Numero;Nom\r\n\r\n0;A\r\n-5;B\r\n12a;C\r\n77;D\r\n") << QStringList{"77"};
    QTest::newRow("blank before the comma") << QByteArray("1234 ,Dupont\n") << QStringList{};
    QTest::newRow("blank before the number") << QByteArray(" 1234,Dupont\n") << QStringList{" 1234"};
    QTest::newRow("duplicates") << QByteArray("1234\n1234\n1234;x\n") << QStringList{"1234"};
    QTest::newRow("1234 and 01234") << QByteArray("1234\n01234\n") << QStringList{"01234", "1234"};
    QTest::newRow("hex forms") << QByteArray("$4D2\n0x4D2\n$4d2\n") << QStringList{"$4D2", "0x4D2"};
    QTest::newRow("CR only") << QByteArray("1\r2\r3") << QStringList{"1", "2", "3"};
    QTest::newRow("LF only") << QByteArray("1\n2\n3\n") << QStringList{"1", "2", "3"};
    QTest::newRow("CR LF") << QByteArray("1\r\n2\r\n3\r\n") << QStringList{"1", "2", "3"};
    QTest::newRow("mixed ends") << QByteArray("1\r\n2\r3\n\n4") << QStringList{"1", "2", "3", "4"};
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF" "1234;a\r\n5678;b\r\n") << QStringList{"1234", "5678"};
    QTest::newRow("Windows-1252 names") << QByteArray("Num\xE9ro;Nom\r\n42;M\xFCller\r\n") << QStringList{"42"};
    QTest::newRow("only a header") << QByteArray("Numero\r\n") << QStringList{};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("sorted as texts") << QByteArray("9\n10\n100\n") << QStringList{"10", "100", "9"};
}

void TestLecture::numeros()
{
    QFETCH(QByteArray, octets);
    QFETCH(QStringList, attendus);
    const csv::EnsembleNumeros numeros = csv::NumerosClients(csv::LignesFichier(octets));
    QCOMPARE(QStringList(numeros.begin(), numeros.end()), attendus);
}

void TestLecture::fichierBinaire()
{
    // Whatever the bytes, the reading ends and keeps only texts that convert to a positive number.
    QRandomGenerator aleatoire(20210716);
    for (int essai = 0; essai < 20; ++essai) {
        QByteArray octets(4096, '\0');
        for (char& c : octets)
            c = char(aleatoire.bounded(256));
        if (essai % 2)
            octets.replace(100, 6, QByteArray("\n4321\n", 6));
        const csv::EnsembleNumeros numeros = csv::NumerosClients(csv::LignesFichier(octets));
        for (const QString& n : numeros)
            QVERIFY2(csv::ConvertirEntier64(n) > 0, qPrintable(n));
        if (essai % 2)
            QVERIFY(numeros.count(QStringLiteral("4321")) == 1);
    }
}

QTEST_GUILESS_MAIN(TestLecture)
#include "tst_lecture.moc"
