// The batch run end to end on the club test database: checks, each operation's effect against
// independent SQL, Multi Centre, the three sources, change counts, failing blocks, run logs and
// the unexpected error.
#include "LotEssai.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/Traitement.h"
#include "common/RecordingOperator.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <functional>


class TestTraitement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The engine is shut down before the process exits (it may crash there otherwise).
    void cleanupTestCase() { fb::Client::arreter(); }
    void verifications_data();
    void verifications();
    void semantique_data();
    void semantique();
    void messagesEtEcheances_data();
    void messagesEtEcheances();
    void annulation_data();
    void annulation();
    void remiseDesSoldes_data();
    void remiseDesSoldes();
    void blocEnErreurEtJournaux();
    void erreurInattendue();
};


void TestTraitement::verifications_data()
{
    QTest::addColumn<Preparation>("preparer");
    QTest::addColumn<QString>("avertissement");   // empty: the run goes on
    const QString dates = QStringLiteral("La date de fin ne peut être inférieure à la date de début");
    auto montant2 = [](Lot& l) {
        l.options.setCoche(CaseOption::cbModifMontant2, true);
        l.options.setMontant(QStringLiteral("edtMontant4"), {100000, -2});
    };
    QTest::newRow("nothing ticked") << Preparation([](Lot&) {}) << "Aucune option sélectionnée";
    QTest::newRow("postponement, end before start") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbIncPrel, true);
        l.options.setDate(QStringLiteral("edtDateInc"), l.options.date(QStringLiteral("edtDate2Inc")).addDays(1));
    }) << dates;
    QTest::newRow("next amount, end before start") << Preparation([=](Lot& l) {
        montant2(l);
        l.options.setDate(QStringLiteral("edtDateEch1"), QDate(2030, 1, 2));
        l.options.setDate(QStringLiteral("edtDateEch2"), QDate(2030, 1, 1));
        l.options.setMontant(QStringLiteral("edtValeur1"), {11000, -2});
    }) << dates;
    QTest::newRow("every amount ignores the date order") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbModifMontant, true);
        l.options.setDate(QStringLiteral("edtDateEch1"), QDate(2030, 1, 2));
        l.options.setDate(QStringLiteral("edtDateEch2"), QDate(2030, 1, 1));
    }) << QString();
    QTest::newRow("amount 2 below amount 1") << Preparation([=](Lot& l) {
        montant2(l);
        l.options.setMontant(QStringLiteral("edtMontant3"), {200000, -2});
        l.options.setMontant(QStringLiteral("edtValeur1"), {11000, -2});
    }) << "Le montant 2 ne peut être inférieur au montant 1";
    QTest::newRow("100 per cent") << Preparation(montant2) << "Valeur incorrecte, aucune modification appliquée";
    QTest::newRow("fixed 0") << Preparation([=](Lot& l) {
        montant2(l);
        l.options.setRgChoix2(1);
    }) << "Valeur incorrecte, aucune modification appliquée";
    QTest::newRow("empty message") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbMsg, true);
        l.options.setTexte(QStringLiteral("Memo1"), QString());
    }) << "Pas de message saisi";
    QTest::newRow("blank message passes") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbMsg, true);
        l.options.setTexte(QStringLiteral("Memo1"), QStringLiteral("   "));
    }) << QString();
    QTest::newRow("balance article not chosen") << Preparation([](Lot& l) {
        l.sourceCsv({2});
        l.options.setCoche(CaseOption::cbSolde, true);
    }) << "Article (solde) non valide";
    QTest::newRow("balance article without default tariff") << Preparation([](Lot& l) {
        l.sourceCsv({2});
        l.options.setCoche(CaseOption::cbSolde, true);
        l.options.choisirParId(QStringLiteral("cbArticle2"), 206);
    }) << "Article (solde) non valide";
    QTest::newRow("entry article not chosen") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbCreate, true);
        l.options.setChoix(QStringLiteral("cbArticle"), -1);
    }) << "Article non valide";
    QTest::newRow("payment method not chosen") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbModifMontant, true);
        l.options.setChoix(QStringLiteral("cbModes4"), -1);
    }) << "Mode de paiement non valide";
}

void TestTraitement::verifications()
{
    QFETCH(Preparation, preparer);
    QFETCH(QString, avertissement);
    Lot l;
    preparer(l);
    l.op.messages.clear();
    l.op.statuts.clear();
    QSignalSpy traiter(&l.traitement, &Traitement::traiterActifChange);
    const Traitement::Resultat r = l.traitement.btnTraiterClick();
    if (avertissement.isEmpty()) {
        QCOMPARE(r.issue, Traitement::Issue::Termine);
        return;
    }
    QCOMPARE(r.issue, Traitement::Issue::Arrete);
    QCOMPARE(l.op.textes(QStringLiteral("avertissement")), QStringList{avertissement});
    QCOMPARE(l.op.messages.size(), 1);
    QVERIFY(l.op.statuts.isEmpty());
    QCOMPARE(traiter.count(), 0);   // "Traiter" never left its enabled state
}

void TestTraitement::semantique_data()
{
    QTest::addColumn<Preparation>("preparer");
    QTest::addColumn<QStringList>("valeurs");   // "SQL=expected"
    QTest::addColumn<QStringList>("comptes");
    const QDate m0 = premierDuMois();
    const QDate j = QDate::currentDate();
    const auto prochaine = [](int id) { return QStringLiteral("SELECT ECHE_PROCHAINE FROM ECHEANCIER WHERE ECHE_ID = %1").arg(id); };
    const auto montant = [](int id) { return QStringLiteral("SELECT CAST(ECHE_MONTANT AS VARCHAR(20)) FROM ECHEANCIER WHERE ECHE_ID = %1").arg(id); };
    const auto fin = [](int id) { return QStringLiteral("SELECT ACT_FIN FROM CLIENTS_ACTIVITE WHERE ACT_ID = %1").arg(id); };
    const auto d = [](const QDate& x) { return x.toString(Qt::ISODate); };

    // An activity with two entries in the window is visited twice: all its entries move two
    // months; only the client's first activity gets its end extended, once.
    QTest::newRow("postponement") << Preparation([](Lot& l) { l.options.setCoche(CaseOption::cbIncPrel, true); })
                                  << QStringList{prochaine(900201) + "=" + d(m0.addDays(9).addMonths(2)),
                                                 prochaine(900203) + "=" + d(m0.addDays(14).addMonths(2)),
                                                 prochaine(900204) + "=" + d(m0.addDays(9).addMonths(1)),
                                                 fin(900101) + "=" + d(j.addMonths(6).addMonths(1)),
                                                 fin(900102) + "=" + d(j.addMonths(3))}
                                  << QStringList{"mSQL1 CLIENTS_ACTIVITE : 0 ajout(s), 1 modification(s), 0 suppression(s)",
                                                 "mSQL1 ECHEANCIER : 0 ajout(s), 7 modification(s), 0 suppression(s)"};
    // 112.5 % of 40.00 is 45.00, on the earliest entry of the activity only.
    QTest::newRow("every debit, 112.5 per cent") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbModifMontant, true);
        l.options.choisirParId(QStringLiteral("cbModes4"), 4);
        l.options.setMontant(QStringLiteral("edtMontant4"), {100000, -2});
        l.options.setMontant(QStringLiteral("edtValeur1"), {11250, -2});
    }) << QStringList{montant(900201) + "=45.00", montant(900202) + "=40.00", montant(900204) + "=30.00"}
       << QStringList{"mSQL6 ECHEANCIER : 0 ajout(s), 1 modification(s), 0 suppression(s)"};
    // The entry keeps its amount and moves one period on; its single-debit copy carries -5.00.
    QTest::newRow("next debit, fixed -5") << Preparation([](Lot& l) {
        l.options.setCoche(CaseOption::cbModifMontant2, true);
        l.options.choisirParId(QStringLiteral("cbModes4"), 4);
        l.options.setMontant(QStringLiteral("edtMontant4"), {100000, -2});
        l.options.setRgChoix2(1);
        l.options.setMontant(QStringLiteral("edtValeur1"), {-500, -2});
    }) << QStringList{montant(900201) + "=40.00", prochaine(900201) + "=" + d(m0.addDays(9).addMonths(1)),
                      montant(900202) + "=40.00",
                      "SELECT COUNT(*) || '/' || MIN(ECHE_MONTANT) || '/' || MIN(ECHE_PROCHAINE) || '/' || MIN(ECHE_DERNIERE) "
                      "FROM ECHEANCIER WHERE ECHE_IDCLI = 900001 AND ECHE_ID <> 900201 AND ECHE_ID NOT BETWEEN 900202 AND 900204="
                          "1/35.00/" + d(m0.addDays(9)) + "/" + d(m0.addDays(9))}
       << QStringList{"mSQL6 ECHEANCIER : 1 ajout(s), 1 modification(s), 0 suppression(s)"};
}

void TestTraitement::semantique()
{
    QFETCH(Preparation, preparer);
    QFETCH(QStringList, valeurs);
    QFETCH(QStringList, comptes);
    Lot l;
    l.essai.executer(clientFabrique());
    l.sourceCsv({900001});
    preparer(l);
    const Traitement::Resultat r = l.traitement.btnTraiterClick();
    QCOMPARE(r.issue, Traitement::Issue::Termine);
    QCOMPARE(r.NbErreurs, 0);
    QCOMPARE(r.lignesComptes(), comptes);
    for (const QString& v : valeurs) {
        const qsizetype egal = v.lastIndexOf(QLatin1Char('='));
        QCOMPARE(l.essai.colonne(v.left(egal)).value(0).toString(), v.mid(egal + 1));
    }
}

void TestTraitement::messagesEtEcheances_data()
{
    QTest::addColumn<bool>("multi");
    QTest::newRow("centre") << false;
    QTest::newRow("Multi Centre") << true;
}

// Both operations act on the centre's rows only, whatever Multi Centre says, and their counts
// are the rows independent SQL finds.
void TestTraitement::messagesEtEcheances()
{
    QFETCH(bool, multi);
    Lot l;
    l.selection.setMultiCentre(multi);
    l.selection.appliquerSource(ControleurSelection::ClientsActifs);
    l.options.setCoche(CaseOption::cbMsg, true);
    l.options.setTexte(QStringLiteral("Memo1"), QStringLiteral("L'accès :CMGTYPE reste ouvert"));
    l.options.setCoche(CaseOption::cbCreate, true);
    l.op.statuts.clear();
    const qint64 clientsCentre = l.n(
        "SELECT COUNT(DISTINCT ACT_IDCLI) FROM CLIENTS_ACTIVITE JOIN CLIENTS ON CLI_ID = ACT_IDCLI JOIN ECHEANCIER ON "
        "ECHE_IDACT = ACT_ID JOIN MODE_PAIEMENT ON MOD_ID = ECHE_IDMOD WHERE CLI_CENTRE = 1001 AND MOD_TYPE = 4 AND "
        "ACT_ARCHIVE_DATE IS NULL AND (ACT_FIN IS NULL OR ACT_FIN >= CURRENT_DATE)");
    const qint32 compte = l.selection.NbClients;

    const Traitement::Resultat r = l.traitement.btnTraiterClick();
    QCOMPARE(r.issue, Traitement::Issue::Termine);
    QCOMPARE(r.NbClients, compte);
    QVERIFY(multi ? compte > clientsCentre : compte == clientsCentre);
    const qint64 messages = l.n(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE WHERE CMG_TYPE = 2 AND CMG_MESSAGE = "
                                               "'L''accès :CMGTYPE reste ouvert' || ASCII_CHAR(127) AND CMG_CREATION_IDCTR = 1001"));
    const qint64 entrees = l.n(QStringLiteral("SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL AND ECHE_CREATION_IDCTR = 1001"));
    QCOMPARE(messages, clientsCentre);
    QCOMPARE(entrees, clientsCentre);
    QCOMPARE(r.lignesComptes(),
             (QStringList{QStringLiteral("mSQL2 CLIENTS_MESSAGE : %1 ajout(s), 0 modification(s), 0 suppression(s)").arg(messages),
                          QStringLiteral("mSQL3 ECHEANCIER : %1 ajout(s), 0 modification(s), 0 suppression(s)").arg(entrees)}));
    QCOMPARE(l.op.details, r.lignesComptes());
    QCOMPARE(l.op.textes(QStringLiteral("information")),
             QStringList{QStringLiteral("Opérations terminées,\n\r%1 clients traités,\n\r0 erreurs.").arg(compte)});
    QCOMPARE(l.op.statuts, (QStringList{"Insertions dans la base...", "Création des messages...", "Création des échéances...",
                                        "Nettoyage...", Traitement::TexteFin(kMoment)}));
    // Only the centre's rows leave the work table; no log without error lines.
    QCOMPARE(l.n("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010"), 0);
    QCOMPARE(l.n("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR <> 10010") > 0, multi);
    QVERIFY(l.journauxEcrits().isEmpty());
    QVERIFY(!l.essai.session.trZelto.isActive());
}

void TestTraitement::annulation_data()
{
    QTest::addColumn<bool>("multi");
    QTest::newRow("centre") << false;
    QTest::newRow("Multi Centre") << true;
}

// The pre-filled work table holds every client under the centre's tag: Multi Centre cancels
// their payments of every centre, otherwise those created in the centre only.
void TestTraitement::annulation()
{
    QFETCH(bool, multi);
    Lot l;
    l.essai.executer({QStringLiteral("INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID, TCPR_IDCLI, TCPR_IDCTR, TCPR_NOM_PRENOM) "
                                     "SELECT NEXT VALUE FOR IDTEMPORAIRE, CLI_ID, 10010, '' FROM CLIENTS")});
    l.selection.setMultiCentre(multi);
    l.selection.appliquerSource(ControleurSelection::TableTemporaire);
    const QDate paiement = premierDuMois().addMonths(-1).addDays(4);
    l.options.setCoche(CaseOption::cbAnnulation, true);
    QVERIFY(l.options.choisirParId(QStringLiteral("cbModes2"), 4));
    l.options.setDate(QStringLiteral("edtDateAnnul"), paiement);
    const QString filtre = QStringLiteral("REG_DATE_PAIEMENT = %1 AND REG_IDMOD = 4 AND REG_ANNULE = 0%2")
                               .arg(sqlDate(paiement), multi ? QString() : QStringLiteral(" AND REG_CREATION_IDCTR = 1001"));
    const qint64 attendus = l.n("SELECT COUNT(*) FROM REGLEMENT WHERE " + filtre);
    const qint64 autres = l.n("SELECT COUNT(*) FROM REGLEMENT WHERE REG_ANNULE = -1");
    QVERIFY(attendus > 0);
    QVERIFY(multi == (attendus > l.n("SELECT COUNT(*) FROM REGLEMENT WHERE REG_DATE_PAIEMENT = " + sqlDate(paiement)
                                     + " AND REG_IDMOD = 4 AND REG_CREATION_IDCTR = 1001")));

    const Traitement::Resultat r = l.traitement.btnTraiterClick();
    QCOMPARE(r.issue, Traitement::Issue::Termine);
    QCOMPARE(r.NbErreurs, 0);
    QCOMPARE(l.n("SELECT COUNT(*) FROM REGLEMENT WHERE REG_ANNULE = -1") - autres, attendus);
    QCOMPARE(l.n("SELECT COUNT(*) FROM TICKET WHERE TIC_IDTICK_ORIGINE IS NOT NULL AND TIC_MOTIF = 'ERREUR PRÉLÈVEMENT' || ASCII_CHAR(127)"), attendus);
}

void TestTraitement::remiseDesSoldes_data()
{
    QTest::addColumn<bool>("multi");
    QTest::newRow("centre") << false;
    QTest::newRow("Multi Centre") << true;
}

// Debtors get a balancing sale and a message; the others nothing. The sale is booked in the
// row's centre, or with Multi Centre in the client's own.
void TestTraitement::remiseDesSoldes()
{
    QFETCH(bool, multi);
    Lot l;
    QList<qint64> numeros;
    for (qint64 n = 1; n <= 120; ++n)
        numeros << n;
    l.selection.setMultiCentre(multi);
    l.sourceCsv(numeros);
    l.options.setCoche(CaseOption::cbSolde, true);
    QVERIFY(l.options.choisirParId(QStringLiteral("cbArticle2"), 205));
    l.options.setTexte(QStringLiteral("mmoSolde"), QStringLiteral("  Dette de %SOLDE € soldée\n"));
    l.options.setTypeMessage(0);
    const QString debiteurs = QStringLiteral("SELECT C.CLI_ID FROM CLIENTS C CROSS JOIN ACCES_SOLDE(C.CLI_ID, 0, CURRENT_DATE) S "
                                             "WHERE C.CLI_ID <= 120 AND S.SOLDE < 0");
    const qint64 nbDebiteurs = l.n("SELECT COUNT(*) FROM (" + debiteurs + ")");
    QVERIFY(nbDebiteurs > 3);

    const Traitement::Resultat r = l.traitement.btnTraiterClick();
    QCOMPARE(r.issue, Traitement::Issue::Termine);
    QCOMPARE(r.NbErreurs, 0);
    QCOMPARE(r.NbClients, 120);
    QCOMPARE(l.n("SELECT COUNT(*) FROM (" + debiteurs + ")"), 0);
    QCOMPARE(l.n("SELECT COUNT(*) FROM VENTE WHERE VTE_IDART = 205"), nbDebiteurs);
    QCOMPARE(l.n(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE WHERE CMG_TYPE = 0 AND CMG_MESSAGE LIKE 'Dette de %.__ € soldée'")),
             nbDebiteurs);
    const QString centreVente = multi ? QStringLiteral("(SELECT CLI_CENTRE FROM CLIENTS WHERE CLI_ID = VTE_IDCLI)")
                                      : QStringLiteral("1001");
    QCOMPARE(l.n("SELECT COUNT(*) FROM VENTE WHERE VTE_IDART = 205 AND VTE_CREATION_IDCTR = " + centreVente), nbDebiteurs);
    QCOMPARE(l.n("SELECT COUNT(*) FROM VENTE WHERE VTE_IDART = 205 AND VTE_CREATION_IDCTR <> 1001") > 0, multi);
}

// A failing block is counted and logged, the next operation still commits, and two failing
// runs in the same second keep two logs.
void TestTraitement::blocEnErreurEtJournaux()
{
    Lot l;
    l.sourceCsv({1, 2, 3});
    l.options.setCoche(CaseOption::cbMsg, true);
    l.options.setTexte(QStringLiteral("Memo1"), QString(4001, QLatin1Char('x')));   // longer than CMG_MESSAGE
    l.options.setCoche(CaseOption::cbCreate, true);

    for (int run = 1; run <= 2; ++run) {
        const Traitement::Resultat r = l.traitement.btnTraiterClick();
        QCOMPARE(r.issue, Traitement::Issue::Termine);
        QCOMPARE(r.NbErreurs, 1);
        QCOMPARE(r.lignesErreur.size(), 1);
        QVERIFY2(r.lignesErreur.at(0).startsWith(QStringLiteral("error stmt #1 : \"")), qPrintable(r.lignesErreur.at(0)));
        QVERIFY(!r.lignesErreur.at(0).contains(QLatin1Char('\n')));
        QCOMPARE(r.resume, QStringLiteral("Opérations terminées,\n\r3 clients traités,\n\r1 erreurs."));
        QCOMPARE(r.lignesComptes(), QStringList{"mSQL3 ECHEANCIER : 3 ajout(s), 0 modification(s), 0 suppression(s)"});
        QCOMPARE(l.n("SELECT COUNT(*) FROM CLIENTS_MESSAGE"), 0);
        QCOMPARE(l.n("SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL"), 3 * run);
        QFile journal(r.journal);
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QCOMPARE(journal.readAll(), r.lignesErreur.at(0).toUtf8() + "\r\n");
    }
    QCOMPARE(l.journauxEcrits(), (QStringList{"Log_Brevan_260314-150926-2.log", "Log_Brevan_260314-150926.log"}));
}

// A work-table statement that the server refuses ends the run: the committed operations stay,
// the error lines are kept in the log, and "Traiter" is enabled again.
void TestTraitement::erreurInattendue()
{
    Lot l;
    l.essai.executer({QStringLiteral("CREATE EXCEPTION E_VERROU 'table de travail verrouillée'"),
                      QStringLiteral("CREATE TRIGGER T_VERROU FOR T_CLIENTS_PRESENTS BEFORE DELETE AS BEGIN "
                                     "IF (OLD.TCPR_IDCLI = 2) THEN EXCEPTION E_VERROU; END")});
    l.sourceCsv({1, 2, 3});
    l.options.setCoche(CaseOption::cbMsg, true);
    l.options.setCoche(CaseOption::cbCreate, true);
    l.options.setChoix(QStringLiteral("cbModes"), 0);
    l.essai.executer({QStringLiteral("ALTER TABLE ECHEANCIER ADD CONSTRAINT C_ESSAI CHECK (ECHE_MONTANT < 1)")});
    QSignalSpy traiter(&l.traitement, &Traitement::traiterActifChange);

    const Traitement::Resultat r = l.traitement.btnTraiterClick();
    QCOMPARE(r.issue, Traitement::Issue::ErreurInattendue);
    QCOMPARE(traiter.count(), 2);
    QCOMPARE(traiter.last().at(0).toBool(), true);
    QCOMPARE(l.n("SELECT COUNT(*) FROM CLIENTS_MESSAGE"), 3);
    QCOMPARE(r.lignesErreur.size(), 1);   // the entry creation broke the check constraint
    QCOMPARE(l.journauxEcrits().size(), 1);
    const QStringList erreurs = l.op.textes(QStringLiteral("erreur"));
    QCOMPARE(erreurs.size(), 1);
    QVERIFY2(erreurs.at(0).contains(QStringLiteral("table de travail verrouillée")), qPrintable(erreurs.at(0)));
    QVERIFY(erreurs.at(0).contains(QStringLiteral("La table de travail n'a pas pu être vidée")));
    QVERIFY(erreurs.at(0).contains(QDir::toNativeSeparators(r.journal)));
    QVERIFY(l.op.textes(QStringLiteral("information")).isEmpty());
    QVERIFY(!l.essai.session.trZelto.isActive());
    // The rows of the run are still there: a second run after the cause is gone cleans them.
    QCOMPARE(l.n("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010"), 3);
}

QTEST_GUILESS_MAIN(TestTraitement)
#include "tst_traitement.moc"
