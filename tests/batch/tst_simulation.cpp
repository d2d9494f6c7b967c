// The simulation: the same run as the real one (summary, error lines, change counts) on two
// copies of one database, the simulated copy left exactly as it was, and the refusal of a
// simulation that an autonomous transaction could escape.
#include "LotEssai.h"
#include "db/ScriptRunner.h"

#include <QSignalSpy>

namespace {

// Every row of the tables the operations can touch, folded into one text per table.
QStringList empreinte(Lot& l)
{
    QStringList tables{"CLIENTS_ACTIVITE", "CLIENTS_MESSAGE", "ECHEANCIER", "REGLEMENT", "T_CLIENTS_PRESENTS", "TICKET", "VENTE"};
    QStringList r;
    for (const QString& t : tables) {
        QStringList colonnes;
        for (const QVariant& c : l.essai.colonne(QStringLiteral("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE "
                                                                "RDB$RELATION_NAME = '%1' ORDER BY RDB$FIELD_POSITION")
                                                     .arg(t)))
            colonnes << QStringLiteral("COALESCE(CAST(%1 AS VARCHAR(300)), '~')").arg(c.toString());
        r << t + QLatin1Char('=')
                 + l.essai.colonne(QStringLiteral("SELECT COUNT(*) || '/' || COALESCE(SUM(MOD(HASH(%1), 1000000007)), 0) FROM %2")
                                       .arg(colonnes.join(QStringLiteral(" || '|' || ")), t))
                       .value(0)
                       .toString();
    }
    return r;
}

} // namespace

class TestSimulation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The engine is shut down before the process exits (it may crash there otherwise).
    void cleanupTestCase() { fb::Client::arreter(); }
    void commeLeRunReel_data();
    void commeLeRunReel();
    void segmentsDuRunner();
    void refus();
};

void TestSimulation::commeLeRunReel_data()
{
    QTest::addColumn<Preparation>("preparer");
    QTest::newRow("every amount, CSV") << Preparation([](Lot& l) {
        l.essai.executer(clientFabrique());
        l.sourceCsv({900001, 2, 3, 4});
        l.options.setCoche(CaseOption::cbModifMontant, true);
        l.options.setMontant(QStringLiteral("edtMontant4"), {100000, -2});
        l.options.setMontant(QStringLiteral("edtValeur1"), {11250, -2});
    });
    QTest::newRow("next debit and its copy") << Preparation([](Lot& l) {
        l.essai.executer(clientFabrique());
        l.sourceCsv({900001});
        l.options.setCoche(CaseOption::cbModifMontant2, true);
        l.options.choisirParId(QStringLiteral("cbModes4"), 4);
        l.options.setMontant(QStringLiteral("edtMontant4"), {100000, -2});
        l.options.setRgChoix2(1);
        l.options.setMontant(QStringLiteral("edtValeur1"), {-500, -2});
    });
    QTest::newRow("postponement, active clients") << Preparation([](Lot& l) { l.options.setCoche(CaseOption::cbIncPrel, true); });
    QTest::newRow("messages and entries, Multi Centre") << Preparation([](Lot& l) {
        l.selection.setMultiCentre(true);
        l.selection.appliquerSource(ControleurSelection::ClientsActifs);
        l.options.setCoche(CaseOption::cbMsg, true);
        l.options.setCoche(CaseOption::cbCreate, true);
    });
    QTest::newRow("cancellation, pre-filled table") << Preparation([](Lot& l) {
        l.essai.executer({QStringLiteral("INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID, TCPR_IDCLI, TCPR_IDCTR, TCPR_NOM_PRENOM) "
                                         "SELECT NEXT VALUE FOR IDTEMPORAIRE, CLI_ID, 10010, '' FROM CLIENTS WHERE CLI_ID <= 200")});
        l.selection.appliquerSource(ControleurSelection::TableTemporaire);
        l.options.setCoche(CaseOption::cbAnnulation, true);
        l.options.choisirParId(QStringLiteral("cbModes2"), 4);
        l.options.setDate(QStringLiteral("edtDateAnnul"), premierDuMois().addMonths(-1).addDays(4));
    });
    QTest::newRow("balance reset, CSV") << Preparation([](Lot& l) {
        QList<qint64> numeros;
        for (qint64 n = 1; n <= 80; ++n)
            numeros << n;
        l.sourceCsv(numeros);
        l.options.setCoche(CaseOption::cbSolde, true);
        l.options.choisirParId(QStringLiteral("cbArticle2"), 205);
    });
    QTest::newRow("a failing block, the next operation kept") << Preparation([](Lot& l) {
        l.sourceCsv({1, 2, 3, 987654321});
        l.options.setCoche(CaseOption::cbMsg, true);
        l.options.setTexte(QStringLiteral("Memo1"), QString(4001, QLatin1Char('x')));
        l.options.setCoche(CaseOption::cbCreate, true);
    });
}

void TestSimulation::commeLeRunReel()
{
    QFETCH(Preparation, preparer);
    Lot simule;
    Lot reel;
    preparer(simule);
    preparer(reel);
    const qint32 compte = simule.selection.NbClients;
    const QStringList avant = empreinte(simule);
    QCOMPARE(empreinte(reel), avant);

    const Traitement::Resultat s = simule.traitement.simuler();
    const Traitement::Resultat r = reel.traitement.btnTraiterClick();
    QCOMPARE(s.issue, Traitement::Issue::Termine);
    QCOMPARE(r.issue, Traitement::Issue::Termine);
    QVERIFY(s.simulation && !r.simulation);
    QCOMPARE(s.resume, r.resume);
    QCOMPARE(s.lignesErreur, r.lignesErreur);
    QCOMPARE(s.lignesComptes(), r.lignesComptes());
    QVERIFY(!r.lignesComptes().isEmpty());
    QCOMPARE(simule.op.statuts, reel.op.statuts);

    QCOMPARE(empreinte(simule), avant);
    QVERIFY(empreinte(reel) != avant);
    QVERIFY(simule.journauxEcrits().isEmpty());
    QCOMPARE(reel.journauxEcrits().size(), r.lignesErreur.isEmpty() ? 0 : 1);
    QCOMPARE(simule.selection.NbClients, compte);
    QVERIFY(!simule.essai.session.trZelto.isActive());
    QVERIFY(!simule.essai.session.pFIBScripter1.Simulation);
    const QString boite = simule.op.textes(QStringLiteral("information")).value(0);
    QVERIFY(boite.startsWith(Traitement::kBanniereSimulation + QStringLiteral("\n\r") + s.resume));
    QVERIFY(boite.endsWith(Traitement::kGenerateursSimulation));
    QCOMPARE(simule.op.details, reel.op.details);
}

// A script's own COMMIT and ROLLBACK keep their meaning inside the simulation's transaction.
void TestSimulation::segmentsDuRunner()
{
    Lot l;
    ScriptRunner& runner = l.essai.session.pFIBScripter1;
    runner.Simulation = true;
    fb::Transaction& tr = l.essai.session.trZelto;
    segments::ouvrir(tr);
    runner.setScript(QStringLiteral("INSERT INTO CENTRE (CTR_ID, CTR_NOM, CTR_GENERATOR) VALUES (2001, 'A', 0);\n"
                                    "COMMIT;\n"
                                    "INSERT INTO CENTRE (CTR_ID, CTR_NOM, CTR_GENERATOR) VALUES (2002, 'B', 0);\n"
                                    "ROLLBACK;\n"
                                    "CREATE TABLE T_ESSAI (X INTEGER);\n"
                                    "INSERT INTO CENTRE (CTR_ID, CTR_NOM, CTR_GENERATOR) VALUES (2003, 'C', 0);\n"));
    runner.RunFrom(1);
    QVERIFY(tr.isActive());
    fb::Query q(l.essai.session.dbZelto, tr);
    q.setSql(QStringLiteral("SELECT LIST(CTR_ID) FROM CENTRE WHERE CTR_ID > 2000"));
    q.execute();
    QCOMPARE(q.asString(0), QStringLiteral("2001,2003"));
    q.close();
    tr.rollback();
    runner.Simulation = false;
    QCOMPARE(l.n("SELECT COUNT(*) FROM CENTRE WHERE CTR_ID > 2000"), 0);
    QCOMPARE(l.n("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'T_ESSAI'"), 0);
    QVERIFY(l.op.messages.isEmpty());
}

// An autonomous block reached through a trigger and a procedure refuses the simulation; one in a
// trigger of a table that no ticked operation reaches does not. Dynamic SQL is named.
void TestSimulation::refus()
{
    Lot l;
    l.essai.executer({
        QStringLiteral("CREATE TABLE T_TRACE (X INTEGER)"),
        QStringLiteral("CREATE PROCEDURE P_TRACE AS BEGIN IN AUTONOMOUS TRANSACTION DO INSERT INTO T_TRACE VALUES (1); END"),
        QStringLiteral("CREATE TRIGGER T_STATION_TRACE FOR STATION AFTER UPDATE AS BEGIN "
                       "IN AUTONOMOUS TRANSACTION DO INSERT INTO T_TRACE VALUES (2); END"),
        QStringLiteral("CREATE TRIGGER T_MESSAGE_DYN FOR CLIENTS_MESSAGE AFTER INSERT AS BEGIN "
                       "/* IN AUTONOMOUS TRANSACTION in a comment is no clause */ "
                       "EXECUTE STATEMENT 'SELECT 1 FROM RDB$DATABASE'; END"),
    });
    l.sourceCsv({1, 2});
    l.options.setCoche(CaseOption::cbMsg, true);
    const QStringList avant = empreinte(l);

    Traitement::Resultat r = l.traitement.simuler();
    QCOMPARE(r.issue, Traitement::Issue::Termine);
    QCOMPARE(r.sqlDynamique, QStringList{"T_MESSAGE_DYN"});
    QCOMPARE(empreinte(l), avant);

    l.essai.executer({QStringLiteral("CREATE TRIGGER T_MESSAGE_TRACE FOR CLIENTS_MESSAGE AFTER INSERT AS BEGIN "
                                     "EXECUTE PROCEDURE P_TRACE; END")});
    l.op.messages.clear();
    QSignalSpy traiter(&l.traitement, &Traitement::traiterActifChange);
    r = l.traitement.simuler();
    QCOMPARE(r.issue, Traitement::Issue::Arrete);
    QCOMPARE(l.op.textes(QStringLiteral("avertissement")),
             QStringList{"Simulation impossible : P_TRACE enregistre ses modifications dans une transaction autonome, "
                         "qu'aucune annulation ne peut défaire."});
    QCOMPARE(traiter.count(), 0);
    QCOMPARE(l.n("SELECT COUNT(*) FROM T_TRACE"), 0);
}

QTEST_GUILESS_MAIN(TestSimulation)
#include "tst_simulation.moc"
