// Filling of the operation templates: whole scripts against the templates' rule, the value
// forms, and operator texts that must never end a literal or add a statement.
#include "db/Modeles.h"
#include "batch/Remplissage.h"
#include "config/Texte.h"
#include "db/ScriptParser.h"

#include <QTest>

namespace {

using remplissage::Centres;

ValeursOptions valeursEssai()
{
    ValeursOptions v;
    v.setCoche(CaseOption::cbModifMontant2, true);
    v.Memo1 = QStringLiteral("L'accès est prolongé\nd'un mois");
    v.mmoSolde = QStringLiteral("  \tSolde de %SOLDE € réglé\n ");
    v.edtDateInc = QDate(2021, 6, 5);
    v.edtDate2Inc = QDate(2021, 7, 4);
    v.edtDateEch = QDate(2021, 8, 5);
    v.edtDateAnnul = QDate(2021, 5, 10);
    v.edtDateEch1 = QDate(2021, 6, 1);
    v.edtDateEch2 = QDate(2021, 6, 30);
    v.edtMontant3 = {1, -2};
    v.edtMontant4 = {100000, -2};
    v.edtValeur1 = {11250, -2};
    v.rgChoix2 = 0;
    v.cbModes = 4;
    v.cbModes2 = 5;
    v.cbModes4 = 8;
    v.cbArticle = tArticle{209, QStringLiteral("Séance d'essai"), {150000, -4}, 2};
    v.cbArticle2 = tArticle{205, QStringLiteral("Régularisation"), {0, -4}, 1};
    v.typeMessage = 2;
    return v;
}

// The templates' rule written out the plain way: every placeholder replaced in turn over the
// whole text. Equal to the one-pass filling whenever no value holds a placeholder word.
QString enSuite(QString texte, const QList<QPair<QString, QString>>& paires)
{
    for (const auto& p : paires)
        texte.replace(p.first, p.second);
    return texte;
}

int nombreInstructions(const QString& script)
{
    return int(script::decouper(script::couperLignes(script)).size());
}

} // namespace

class TestRemplissage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formes_data();
    void formes();
    void scriptsEntiers_data();
    void scriptsEntiers();
    void annulationSeulementLigneWhere();
    void texteOperateurJamaisRelu();
    void textesHostiles_data();
    void textesHostiles();
};

void TestRemplissage::formes_data()
{
    QTest::addColumn<QString>("obtenu");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("integer") << remplissage::entier(-1) << "-1";
    QTest::newRow("64-bit id") << remplissage::entier(9007199254740993LL) << "9007199254740993";
    QTest::newRow("date") << remplissage::date(QDate(2021, 6, 5)) << "'05.06.2021'";
    QTest::newRow("quoted text") << remplissage::texteCite(QStringLiteral("L'accès '")) << "'L''accès '''";
    QTest::newRow("amount of one thousand") << remplissage::montant({100000, -2}) << "1000.00";
    QTest::newRow("negative amount") << remplissage::montant({-5, 0}) << "-5.00";
    QTest::newRow("amount from four decimals, rounded") << remplissage::montant({39995, -4}) << "4.00";
    QTest::newRow("percentage, four decimals") << remplissage::montant({11250, -2}, 4) << "112.5000";
    QTest::newRow("percentage of 17 digits, four decimals")
        << remplissage::montant({9223372036854775807LL, -2}, 4) << "92233720368547758.0700";
    QTest::newRow("lowest amount, four decimals")
        << remplissage::montant({-9223372036854775807LL - 1, -2}, 4) << "-92233720368547758.0800";
    QTest::newRow("whole amount, two decimals") << remplissage::montant({12, 0}) << "12.00";
    QTest::newRow("price with decimals") << remplissage::prix({399500, -4}) << "39.95";
    QTest::newRow("whole price") << remplissage::prix({400000, -4}) << "40";
    QTest::newRow("price 12.5") << remplissage::prix({125000, -4}) << "12.5";
    QTest::newRow("flag ticked") << remplissage::drapeau(true) << "-1";
    QTest::newRow("flag not ticked") << remplissage::drapeau(false) << "0";
}

void TestRemplissage::formes()
{
    QFETCH(QString, obtenu);
    QFETCH(QString, attendu);
    QCOMPARE(obtenu, attendu);
}

void TestRemplissage::scriptsEntiers_data()
{
    QTest::addColumn<QString>("obtenu");
    QTest::addColumn<QString>("attendu");
    const ValeursOptions v = valeursEssai();
    const Centres c{1001, -1};
    const QString del(QChar(127));
    QTest::newRow("mSQL6, next debit, 112.5 %")
        << remplissage::RemplirMSQL6(v, c)
        << enSuite(TexteModele("mSQL6"), {{":IDCENTRE", "1001"}, {":ECHEIDMOD", "8"}, {":DATE1", "'01.06.2021'"},
                                          {":DATE2", "'30.06.2021'"}, {":MONTANT1", "0.01"}, {":MONTANT2", "1000.00"},
                                          {":VALEUR", "112.5000"}, {":CHOIX", "0"}, {":MODE", "-1"}});
    ValeursOptions tous = v;
    tous.setCoche(CaseOption::cbModifMontant2, false);
    tous.setCoche(CaseOption::cbModifMontant, true);
    tous.rgChoix2 = 1;
    tous.edtValeur1 = {-500, -2};
    QTest::newRow("mSQL6, every debit, fixed -5")
        << remplissage::RemplirMSQL6(tous, c)
        << enSuite(TexteModele("mSQL6"), {{":IDCENTRE", "1001"}, {":ECHEIDMOD", "8"}, {":DATE1", "'01.06.2021'"},
                                          {":DATE2", "'30.06.2021'"}, {":MONTANT1", "0.01"}, {":MONTANT2", "1000.00"},
                                          {":VALEUR", "-5.0000"}, {":CHOIX", "1"}, {":MODE", "0"}});
    QTest::newRow("mSQL1") << remplissage::RemplirMSQL1(v, c)
                           << enSuite(TexteModele("mSQL1"),
                                      {{"%CENTRE%", "1001"}, {"%DATE1%", "'05.06.2021'"}, {"%DATE2%", "'04.07.2021'"}});
    QTest::newRow("mSQL2: CR LF and character 127 inside the quotes")
        << remplissage::RemplirMSQL2(v, c)
        << enSuite(TexteModele("mSQL2"),
                   {{"%CENTRE%", "1001"}, {"%MSG%", "'L''accès est prolongé\r\nd''un mois" + del + "'"}});
    QTest::newRow("mSQL3: shortest price, label ending with 127")
        << remplissage::RemplirMSQL3(v, c)
        << enSuite(TexteModele("mSQL3"), {{"%CENTRE%", "1001"}, {":ECHE_IDTVA", "2"}, {":ECHE_IDMOD", "4"},
                                          {":ECHE_IDART", "209"}, {":ECHE_PROCHAINE", "'05.08.2021'"},
                                          {":ECHE_MONTANT", "15"}, {":ECHE_LIBELLE", "'Séance d''essai" + del + "'"}});
    QTest::newRow("mSQL7: selection centre, trimmed message without 127")
        << remplissage::RemplirMSQL7(v, c)
        << enSuite(TexteModele("mSQL7"), {{":IDCENTRE", "-1"}, {":IDARTICLE", "205"},
                                          {":MSG", "'Solde de %SOLDE € réglé'"}, {":CMGTYPE", "2"}});
}

void TestRemplissage::scriptsEntiers()
{
    QFETCH(QString, obtenu);
    QFETCH(QString, attendu);
    QCOMPARE(obtenu, attendu);
}

void TestRemplissage::annulationSeulementLigneWhere()
{
    const QString s = remplissage::RemplirMSQL4(valeursEssai(), Centres{1001, -1});
    QVERIFY(s.contains(QStringLiteral("    WHERE IIF(-1 = -1,TRUE,REG_CREATION_IDCTR = -1)\r\n")));
    QVERIFY(s.contains(QStringLiteral("(REG_DATE_PAIEMENT = '10.05.2021')")));
    QVERIFY(s.contains(QStringLiteral("(REG_IDMOD = 5)")));
    QVERIFY(s.contains(QStringLiteral("(TCPR_IDCTR = 1001 * 10)")));
    // The block variable keeps its name: the INTO target and the procedure's argument.
    QCOMPARE(s.count(QStringLiteral(":IDCENTRE")), 2);
    QVERIFY(s.contains(QStringLiteral("      :IDCENTRE\r\n")));
    QVERIFY(s.contains(QStringLiteral("TICKET_ANNULATION(0,0, :IDCENTRE,")));
    QVERIFY(s.contains(QStringLiteral("'ERREUR PRÉLÈVEMENT'||ASCII_CHAR(127)")));
}

void TestRemplissage::texteOperateurJamaisRelu()
{
    ValeursOptions v = valeursEssai();
    v.mmoSolde = QStringLiteral("Type :CMGTYPE, article :IDARTICLE, centre :IDCENTRE");
    const QString s = remplissage::RemplirMSQL7(v, Centres{1001, 1001});
    QVERIFY(s.contains(QStringLiteral("'Type :CMGTYPE, article :IDARTICLE, centre :IDCENTRE'")));
    v.Memo1 = QStringLiteral("%CENTRE% et %MSG%");
    QVERIFY(remplissage::RemplirMSQL2(v, Centres{1001, 1001})
                .contains(QStringLiteral("'%CENTRE% et %MSG%") + QChar(127) + QLatin1Char('\'')));
}

void TestRemplissage::textesHostiles_data()
{
    QTest::addColumn<QString>("texte");
    QTest::newRow("quote and terminator") << QStringLiteral("x'; DELETE FROM CLIENTS; --");
    QTest::newRow("block terminator") << QStringLiteral("fin^\nSET TERM ;^\nCOMMIT;");
    QTest::newRow("comment openers") << QStringLiteral("/* pas fini -- ni là '");
    QTest::newRow("lines made of terminators") << QStringLiteral("\n;\n^\n\n'\n");
    QTest::newRow("double quotes") << QStringLiteral("\"CLIENTS\"; ''");
    QTest::newRow("NUL before a quote") << (QStringLiteral("fin") + QChar(0) + QStringLiteral("'; DELETE FROM CLIENTS; --"));
    QTest::newRow("lone CR and quote") << QStringLiteral("a\r';\rCOMMIT;\r");
    QTest::newRow("outside Windows-1252") << QString::fromUtf8("\u2019'; \xF0\x9F\x98\x80 ^");
}

void TestRemplissage::textesHostiles()
{
    QFETCH(QString, texte);
    ValeursOptions v = valeursEssai();
    v.Memo1 = texte;
    v.mmoSolde = texte;
    v.cbArticle->Nom = texte;
    const Centres c{1001, 1001};
    QCOMPARE(nombreInstructions(remplissage::RemplirMSQL2(v, c)), nombreInstructions(TexteModele("mSQL2")));
    QCOMPARE(nombreInstructions(remplissage::RemplirMSQL3(v, c)), nombreInstructions(TexteModele("mSQL3")));
    QCOMPARE(nombreInstructions(remplissage::RemplirMSQL7(v, c)), nombreInstructions(TexteModele("mSQL7")));
    // what the runner sends: lines rejoined, read up to the first NUL by the client library
    for (const QString& s : {remplissage::RemplirMSQL2(v, c), remplissage::RemplirMSQL3(v, c), remplissage::RemplirMSQL7(v, c)}) {
        const QString envoye = texte::depuisCp1252(texte::versCp1252(script::couperLignes(s).join(QStringLiteral("\r\n"))));
        QVERIFY(!envoye.contains(QChar(0)));
        QCOMPARE(nombreInstructions(envoye), nombreInstructions(s));
    }
}

QTEST_GUILESS_MAIN(TestRemplissage)
#include "tst_remplissage.moc"
