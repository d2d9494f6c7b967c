// Rules of the options page on the club test database: lookups and parallel lists, the boxes'
// click handling and exclusions, dates, amounts and the message type.
#include "common/SessionEssai.h"
#include "batch/ControleurOptions.h"
#include "batch/FichierLot.h"
#include "db/Modeles.h"
#include "common/RecordingOperator.h"

#include <QLocale>
#include <QTest>

using Cases = QList<CaseOption>;
Q_DECLARE_METATYPE(CaseOption)

namespace {

const char* const kModes =
    "select mod_id,mod_libelle from mode_paiement where (mod_type = 4) and (mod_ne_pas_utiliser = 0) order by 2";

struct Essai
{
    SessionEssai e;
    RecordingOperator op;
    ControleurOptions options{e.session, op};
};

QStringList textes(const QList<QVariant>& valeurs)
{
    QStringList r;
    for (const QVariant& v : valeurs)
        r << v.toString();
    return r;
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void etatInitial();
    void listesParalleles_data();
    void listesParalleles();
    void methodeAjouteeEntreDeuxClics();
    void creerEcheance();
    void cinquiemeDuMoisSuivant_data();
    void cinquiemeDuMoisSuivant();
    void pasDeConfiguration_data();
    void pasDeConfiguration();
    void lectureEnEchec();
    void tableDesOperations();
    void exclusions_data();
    void exclusions();
    void choix2();
    void solde();
    void typeMessage();
    void datesMinimales();
    void choixParId();
};

void TestOptions::etatInitial()
{
    Essai t;
    const ValeursOptions v = t.options.valeurs();
    QVERIFY(v.aucuneOperation());
    const QDate jour = QDate::currentDate();
    const QDate premier(jour.year(), jour.month(), 1);
    QCOMPARE(v.edtDateInc, premier);
    QCOMPARE(v.edtDate2Inc, premier.addMonths(1).addDays(-1));
    QCOMPARE(v.edtDateEch1, premier);
    QCOMPARE(v.edtDateEch2, premier.addMonths(1).addDays(-1));
    QCOMPARE(v.edtDateAnnul, jour);
    QCOMPARE(v.edtMontant3, (fb::Decimal{1, -2}));
    QCOMPARE(v.edtMontant4, (fb::Decimal{3995, -2}));
    QCOMPARE(v.edtValeur1, (fb::Decimal{10000, -2}));
    QCOMPARE(v.typeMessage, 1);
    QCOMPARE(v.Memo1, QStringLiteral("Report 1 mois Covid-19."));
    QCOMPARE(v.mmoSolde, QStringLiteral("Le client était débiteur de %SOLDE €"));
    QVERIFY(!v.cbModes && !v.cbModes2 && !v.cbModes4 && !v.cbArticle && !v.cbArticle2);
    for (const QString& nom : ControleurOptions::champs())
        QCOMPARE(t.options.visible(nom), nom == "cbAnnulation" || nom == "pnlRazSolde");
    QCOMPARE(t.options.texte("lblMontant"), QStringLiteral("Montant"));
    QCOMPARE(t.options.texte("Label27"), QStringLiteral("Pourcentage"));
}

void TestOptions::listesParalleles_data()
{
    QTest::addColumn<CaseOption>("boite");
    QTest::addColumn<QString>("liste");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("choixAttendu");
    QTest::newRow("cancellation") << CaseOption::cbAnnulation << "cbModes2" << kModes << 0;
    QTest::newRow("amounts, all") << CaseOption::cbModifMontant << "cbModes4" << kModes << 0;
    QTest::newRow("amounts, next") << CaseOption::cbModifMontant2 << "cbModes4" << kModes << 0;
    QTest::newRow("created entry, methods") << CaseOption::cbCreate << "cbModes" << kModes << 0;
    QTest::newRow("created entry, articles")
        << CaseOption::cbCreate << "cbArticle"
        << "SELECT ART_ID, ART_NOM FROM ARTICLE INNER JOIN ARTICLE_TARIF ON (ATA_IDART = ART_ID) WHERE "
           "(ART_VENDABLE = -1) AND (ATA_DEFAUT = -1) AND (ATA_PRIX > 0) ORDER BY ART_NOM"
        << 0;
    QTest::newRow("balance article") << CaseOption::cbSolde << "cbArticle2"
                                     << "SELECT ART_ID, ART_NOM FROM ARTICLE WHERE (ART_CATEGORIE IN (1,2,32,64)) "
                                        "AND (ART_VENDABLE = -1) ORDER BY ART_NOM"
                                     << -1;
}

void TestOptions::listesParalleles()
{
    QFETCH(CaseOption, boite);
    QFETCH(QString, liste);
    QFETCH(QString, sql);
    QFETCH(int, choixAttendu);
    Essai t;
    QVERIFY(t.options.setCoche(boite, true));
    QVERIFY(t.op.messages.isEmpty());
    QVERIFY(!t.e.session.trZelto.isActive());   // committed once

    const QList<QVariant> ids = t.e.colonne(sql, 0);
    QVERIFY(!ids.isEmpty());
    QCOMPARE(t.options.elements(liste), textes(t.e.colonne(sql, 1)));
    QList<qint64> paralleles;
    if (liste.startsWith("cbModes")) {
        paralleles = liste == "cbModes" ? t.options.ListeModes()
                   : liste == "cbModes2" ? t.options.ListeModes2() : t.options.ListeModes4();
    } else {
        const QList<tArticle> articles = liste == "cbArticle" ? t.options.ListeArticles() : t.options.ListeArticlesSolde();
        for (const tArticle& a : articles)
            paralleles << a.Id;
    }
    QCOMPARE(paralleles.size(), ids.size());
    for (int i = 0; i < ids.size(); ++i)
        QCOMPARE(paralleles[i], ids[i].toLongLong());
    QCOMPARE(t.options.choix(liste), choixAttendu);
}

void TestOptions::methodeAjouteeEntreDeuxClics()
{
    Essai t;
    QVERIFY(t.options.setCoche(CaseOption::cbAnnulation, true));
    const int avant = t.options.ListeModes2().size();
    QVERIFY(t.options.setCoche(CaseOption::cbAnnulation, false));
    // Sorted first by label, so every later item moves by one.
    t.e.executer({"INSERT INTO MODE_PAIEMENT (MOD_ID, MOD_LIBELLE, MOD_TYPE, MOD_NE_PAS_UTILISER) "
                   "VALUES (90, 'Prélèvement 0 essai', 4, 0)"});
    QVERIFY(t.options.setCoche(CaseOption::cbAnnulation, true));

    const QStringList elements = t.options.elements("cbModes2");
    const QList<qint64> ids = t.options.ListeModes2();
    QCOMPARE(ids.size(), avant + 1);
    QCOMPARE(elements.size(), ids.size());
    QVERIFY(ids.contains(90));
    for (int i = 0; i < ids.size(); ++i)
        QCOMPARE(elements[i], t.e.colonne(QString("SELECT MOD_LIBELLE FROM MODE_PAIEMENT WHERE MOD_ID = %1").arg(ids[i]))
                                  .value(0)
                                  .toString());
    QCOMPARE(t.options.valeurs().cbModes2, std::optional<qint64>(ids[0]));
}

void TestOptions::creerEcheance()
{
    Essai t;
    QVERIFY(t.options.setCoche(CaseOption::cbCreate, true));
    QVERIFY(t.op.messages.isEmpty());
    QVERIFY(t.options.visible("pnlEcheance"));
    const ValeursOptions v = t.options.valeurs();
    QVERIFY(v.cbModes.has_value());
    QVERIFY(v.cbArticle.has_value());
    // First article by name in the test data: "Abonnement mensuel" at 39.95, VAT 1.
    QCOMPARE(v.cbArticle->Id, 201);
    QCOMPARE(v.cbArticle->Prix, (fb::Decimal{399500, -4}));
    QCOMPARE(v.cbArticle->IdTva, 1);
    QCOMPARE(t.options.texte("lblMontant"), QStringLiteral("39,95€"));

    const int index = t.options.elements("cbArticle").indexOf("Cours collectif");
    QVERIFY(index > 0);
    t.options.setChoix("cbArticle", index);
    QCOMPARE(t.options.texte("lblMontant"), QStringLiteral("12,50€"));
    t.options.setChoix("cbArticle", -1);
    QCOMPARE(t.options.texte("lblMontant"), QStringLiteral("12,50€"));   // no article: the label stays

    QVERIFY(t.options.setCoche(CaseOption::cbCreate, false));
    QVERIFY(!t.options.visible("pnlEcheance"));
}

void TestOptions::cinquiemeDuMoisSuivant_data()
{
    QTest::addColumn<QDate>("jour");
    QTest::addColumn<QDate>("attendu");
    QTest::newRow("first of month") << QDate(2021, 7, 1) << QDate(2021, 8, 5);
    QTest::newRow("mid month") << QDate(2021, 7, 16) << QDate(2021, 8, 5);
    QTest::newRow("end of January") << QDate(2021, 1, 31) << QDate(2021, 2, 5);
    QTest::newRow("December") << QDate(2021, 12, 31) << QDate(2022, 1, 5);
    QTest::newRow("leap day") << QDate(2024, 2, 29) << QDate(2024, 3, 5);
}

void TestOptions::cinquiemeDuMoisSuivant()
{
    QFETCH(QDate, jour);
    QFETCH(QDate, attendu);
    Essai t;
    t.options.setAujourdhui([jour] { return jour; });
    QVERIFY(t.options.setCoche(CaseOption::cbCreate, true));
    QCOMPARE(t.options.date("edtDateEch"), attendu);
    QCOMPARE(t.options.dateMinimum("edtDateEch"), jour);
    QVERIFY(!t.options.setDate("edtDateEch", jour.addDays(-1)));
    QCOMPARE(t.options.date("edtDateEch"), attendu);
    QVERIFY(t.options.setDate("edtDateEch", jour));
}

void TestOptions::pasDeConfiguration_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("no direct-debit method") << "UPDATE MODE_PAIEMENT SET MOD_NE_PAS_UTILISER = -1 WHERE MOD_TYPE = 4";
    QTest::newRow("no priced article") << "UPDATE ARTICLE_TARIF SET ATA_PRIX = 0";
}

void TestOptions::pasDeConfiguration()
{
    QFETCH(QString, sql);
    Essai t;
    t.e.executer({sql});
    QCOMPARE(t.options.setCoche(CaseOption::cbCreate, true), true);
    QCOMPARE(t.op.textes("avertissement"), QStringList{"Pas de configuration trouvée"});
    QVERIFY(!t.options.coche(CaseOption::cbCreate));
    QVERIFY(!t.options.visible("pnlEcheance"));
    QVERIFY(!t.options.valeurs().cbArticle.has_value() || !t.options.valeurs().cbModes.has_value());
}

void TestOptions::lectureEnEchec()
{
    Essai t;
    QVERIFY(t.options.setCoche(CaseOption::cbAnnulation, true));
    QVERIFY(!t.options.elements("cbModes2").isEmpty());
    QVERIFY(t.options.setCoche(CaseOption::cbAnnulation, false));
    t.e.executer({"ALTER TABLE MODE_PAIEMENT ALTER COLUMN MOD_NE_PAS_UTILISER TO MOD_HORS_USAGE"});

    QVERIFY(t.options.setCoche(CaseOption::cbAnnulation, true));
    const QStringList erreurs = t.op.textes("erreur");
    QCOMPARE(erreurs.size(), 1);
    QVERIFY2(erreurs[0].contains("MOD_NE_PAS_UTILISER", Qt::CaseInsensitive), qPrintable(erreurs[0]));
    QVERIFY(t.options.elements("cbModes2").isEmpty());
    QVERIFY(t.options.ListeModes2().isEmpty());
    QCOMPARE(t.options.choix("cbModes2"), -1);
    QVERIFY(!t.e.session.trZelto.isActive());
    // The connection is still usable for the next lookup.
    QVERIFY(t.options.setCoche(CaseOption::cbSolde, true));
    QVERIFY(!t.options.elements("cbArticle2").isEmpty());
}

void TestOptions::exclusions_data()
{
    QTest::addColumn<Cases>("avant");
    QTest::addColumn<CaseOption>("cochee");
    QTest::addColumn<Cases>("apres");
    QTest::addColumn<bool>("datesReport");
    QTest::addColumn<bool>("panneau");
    QTest::newRow("next debit unticks both") << Cases{CaseOption::cbIncPrel, CaseOption::cbModifMontant}
                                             << CaseOption::cbModifMontant2 << Cases{CaseOption::cbModifMontant2}
                                             << false << true;
    QTest::newRow("all debits unticks next, keeps postponement")
        << Cases{CaseOption::cbModifMontant2, CaseOption::cbIncPrel} << CaseOption::cbModifMontant
        << Cases{CaseOption::cbIncPrel, CaseOption::cbModifMontant} << true << true;
    QTest::newRow("postponement then all debits")
        << Cases{CaseOption::cbIncPrel} << CaseOption::cbModifMontant
        << Cases{CaseOption::cbIncPrel, CaseOption::cbModifMontant} << true << true;
    QTest::newRow("untick next debit") << Cases{CaseOption::cbModifMontant2} << CaseOption::cbModifMontant2
                                       << Cases{} << false << false;
}

void TestOptions::exclusions()
{
    QFETCH(Cases, avant);
    QFETCH(CaseOption, cochee);
    QFETCH(Cases, apres);
    QFETCH(bool, datesReport);
    QFETCH(bool, panneau);
    Essai t;
    for (CaseOption c : avant)
        QVERIFY(t.options.setCoche(c, true));
    t.options.setDate("edtDateEch1", QDate::currentDate().addDays(3));
    t.options.setMontant("edtMontant3", fb::Decimal{500, -2});
    QVERIFY(t.options.setCoche(cochee, !t.options.coche(cochee)));

    for (CaseOption c : ControleurOptions::cases())
        QCOMPARE(t.options.coche(c), apres.contains(c));
    for (const char* nom : {"Label2", "edtDateInc", "Label15", "edtDate2Inc"})
        QCOMPARE(t.options.visible(nom), datesReport);
    QCOMPARE(t.options.visible("pnlMontant2"), panneau);
    QCOMPARE(t.options.elements("cbModes4").size(), t.options.ListeModes4().size());
    // The panel's values are not reset by the boxes.
    QCOMPARE(t.options.date("edtDateEch1"), QDate::currentDate().addDays(3));
    QCOMPARE(t.options.montant("edtMontant3"), (fb::Decimal{500, -2}));
    QVERIFY(t.op.messages.isEmpty());
}

void TestOptions::choix2()
{
    Essai t;
    for (int tour = 0; tour < 2; ++tour) {
        t.options.setMontant("edtValeur1", fb::Decimal{-550, -2});
        t.options.setRgChoix2(1);
        QCOMPARE(t.options.montant("edtValeur1"), (fb::Decimal{0, -2}));
        QCOMPARE(t.options.texte("Label27"), QStringLiteral("Modifier de "));
        QVERIFY(t.options.valeur1DeuxDecimales());
        t.options.setMontant("edtValeur1", fb::Decimal{7, 0});
        t.options.setRgChoix2(0);
        QCOMPARE(t.options.montant("edtValeur1"), (fb::Decimal{10000, -2}));
        QCOMPARE(t.options.texte("Label27"), QStringLiteral("Pourcentage"));
        QVERIFY(!t.options.valeur1DeuxDecimales());
    }
    t.options.setMontant("edtValeur1", fb::Decimal{50, 0});
    t.options.setRgChoix2(0);   // already chosen: nothing changes
    QCOMPARE(t.options.montant("edtValeur1"), (fb::Decimal{5000, -2}));
    QCOMPARE(t.options.valeurs().rgChoix2, 0);
}

void TestOptions::solde()
{
    Essai t;
    QVERIFY(t.options.setCoche(CaseOption::cbSolde, true));
    for (const char* nom : {"lblArticle", "cbArticle2", "mmoSolde"})
        QVERIFY(t.options.visible(nom));
    QCOMPARE(t.options.choix("cbArticle2"), -1);
    QVERIFY(!t.options.valeurs().cbArticle2.has_value());
    for (const tArticle& a : t.options.ListeArticlesSolde()) {
        QCOMPARE(a.Prix, (fb::Decimal{0, -4}));
        QCOMPARE(a.IdTva, 0);
    }
    t.options.setChoix("cbArticle2", 0);
    QCOMPARE(t.options.valeurs().cbArticle2->Id, t.options.ListeArticlesSolde().value(0).Id);
    QVERIFY(t.options.setCoche(CaseOption::cbSolde, false));
    QVERIFY(!t.options.visible("mmoSolde"));
}

void TestOptions::typeMessage()
{
    Essai t;
    QVERIFY(t.options.marque(1) && !t.options.marque(2) && !t.options.marque(0));
    for (int type : {2, 0, 1, 2}) {
        t.options.setTypeMessage(type);
        QCOMPARE(t.options.valeurs().typeMessage, type);
        for (int autre : {0, 1, 2})
            QCOMPARE(t.options.marque(autre), autre == type);   // one mark, on the type in force
    }
    t.options.setTypeMessage(7);
    QCOMPARE(t.options.typeMessage(), 2);
}

void TestOptions::datesMinimales()
{
    Essai t;
    const QDate jour(2021, 3, 17);
    t.options.setAujourdhui([jour] { return jour; });
    t.options.initialiserValeurs();
    QCOMPARE(t.options.dateMinimum("edtDateInc"), QDate(2020, 3, 1));
    QCOMPARE(t.options.dateMinimum("edtDate2Inc"), QDate(2020, 3, 1));
    QVERIFY(!t.options.setDate("edtDateInc", QDate(2020, 2, 29)));
    QVERIFY(t.options.setDate("edtDate2Inc", QDate(2020, 3, 1)));
    QVERIFY(!t.options.dateMinimum("edtDateAnnul").isValid());
    QVERIFY(t.options.setDate("edtDateAnnul", QDate(2001, 1, 1)));
    QCOMPARE(t.options.valeurs().edtDate2Inc, QDate(2020, 3, 1));
    QCOMPARE(t.options.valeurs().edtDateAnnul, QDate(2001, 1, 1));
}

void TestOptions::choixParId()
{
    Essai t;
    QVERIFY(t.options.setCoche(CaseOption::cbModifMontant2, true));
    QVERIFY(t.options.choisirParId("cbModes4", 8));
    QCOMPARE(t.options.valeurs().cbModes4, std::optional<qint64>(8));
    QVERIFY(!t.options.choisirParId("cbModes4", 6));   // out of use: not in the list
    QVERIFY(!t.options.valeurs().cbModes4.has_value());
    QVERIFY(t.options.setCoche(CaseOption::cbCreate, true));
    QVERIFY(t.options.choisirParId("cbArticle", 203));
    QCOMPARE(t.options.valeurs().cbArticle->Nom, QStringLiteral("Cours collectif"));
    QVERIFY(!t.options.choisirParId("cbArticle", 205));   // no positive price
}

// Every operation has its template, filling and boxes; every box belongs to one operation,
// has its job key, and its exclusions name other boxes, each pair refused in a job file.
void TestOptions::tableDesOperations()
{
    QList<CaseOption> vues;
    for (const Operation& op : Operations()) {
        QVERIFY2(!TexteModele(op.modele).isEmpty(), qPrintable(op.modele));
        QVERIFY(op.remplir && !op.cases.isEmpty() && !op.statut.isEmpty());
        vues += op.cases;
    }
    QCOMPARE(vues.size(), CasesOperations().size());
    for (const CaseOperation& d : CasesOperations()) {
        QCOMPARE(vues.count(d.id), 1);
        QCOMPARE(ControleurOptions::caseParNom(d.nom), std::optional<CaseOption>(d.id));
        FichierLot::analyser(QStringLiteral("j.ini"), QStringLiteral("[Options]\n%1=0\n").arg(d.nom));
        for (CaseOption exclue : d.exclues) {
            QVERIFY(exclue != d.id);
            const QString texte = QStringLiteral("[Options]\n%1=1\n%2=1\n").arg(d.nom, ControleurOptions::nomCase(exclue));
            QVERIFY_THROWS_EXCEPTION(ErreurFichierLot, FichierLot::analyser(QStringLiteral("j.ini"), texte));
        }
    }
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
