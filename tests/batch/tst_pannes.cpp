// Faults that nobody specified but an operator meets: the database server killed during an
// operation, a run log that cannot be written, a database held by another engine or made
// read-only, a client file that goes away once the run has started. Each ends with a clear
// message, the right exit code, and nothing lost.
#include "LotEssai.h"
#include "config/ConfigPrg.h"
#include "common/ProgrammeEssai.h"
#include "common/ServeurPrive.h"
#include "common/BaseTemporaire.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>

namespace {

constexpr int kPortPrive = 3061;

const QByteArray kJob = "[Selection]\nrgSource=0\nJvFilenameEdit1=clients.csv\n"
                        "[Options]\ncbModifMontant=1\ncbModes4=4\nedtMontant4=1000\nedtValeur1=110\n"
                        "cbMsg=1\ncbCreate=1\n";

} // namespace

class TestPannes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The engine is shut down before the process exits (it may crash there otherwise).
    void cleanupTestCase() { fb::Client::arreter(); }
    void serveurTuePendantUneOperation();
    void journalImpossible();
    void journalAnnulationImpossible();
    void baseTenueParUnAutreMoteur();
    void baseEnLectureSeule();
    void csvDisparuPendantLeLancement_data();
    void csvDisparuPendantLeLancement();
};

// The server dies while the messages are written: the amounts, committed before, stay; the
// messages are absent; the run ends with exit 5 and the error's text well within 60 s.
void TestPannes::serveurTuePendantUneOperation()
{
    ProgrammeEssai prog;
    BaseTemporaire base(qEnvironmentVariable("MSP_TESTDB"));
    base.executer(clientFabrique()
                       + QStringList{QStringLiteral(
                           "CREATE TRIGGER T_LENT FOR CLIENTS_MESSAGE AFTER INSERT AS DECLARE I INTEGER = 0; "
                           "BEGIN WHILE (I < 40000000) DO I = I + 1; END")});
    ServeurPrive serveur(prog.d(QStringLiteral("serveur")), kPortPrive);
    QVERIFY(serveur.demarrer());
    prog.configurer(base.chemin, QStringLiteral("127.0.0.1"), kPortPrive);
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("clients.csv")), "900001\r\n1\r\n2\r\n");
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("job.ini")), kJob);

    QProcess p;
    prog.demarrer(p, {QStringLiteral("--batch"), prog.d(QStringLiteral("job.ini"))});
    QByteArray erreurs;
    QElapsedTimer attente;
    attente.start();
    while (!erreurs.contains("Création des messages...") && attente.elapsed() < 60000 && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(200);
        erreurs += p.readAllStandardError();
    }
    QVERIFY2(erreurs.contains("Création des messages..."), erreurs.constData());
    QTest::qWait(500);
    QVERIFY(serveur.tuer());
    QElapsedTimer fin;
    fin.start();
    QVERIFY(p.waitForFinished(90000));
    const qint64 duree = fin.elapsed();
    erreurs += p.readAllStandardError();

    QCOMPARE(p.exitCode(), 5);
    QVERIFY2(duree < 60000, qPrintable(QString::number(duree)));
    QVERIFY2(erreurs.contains("erreur inattendue"), erreurs.constData());
    QCOMPARE(base.valeur(QStringLiteral("SELECT CAST(ECHE_MONTANT AS VARCHAR(20)) FROM ECHEANCIER WHERE ECHE_ID = 900201")),
             QStringLiteral("44.00"));
    QCOMPARE(base.valeur(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")), QStringLiteral("0"));
    QCOMPARE(base.valeur(QStringLiteral("SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL")), QStringLiteral("0"));
}

// The run log's folder cannot be made: exit 5, the path named, the error lines still printed.
void TestPannes::journalImpossible()
{
    ProgrammeEssai prog;
    BaseTemporaire base(qEnvironmentVariable("MSP_TESTDB"));
    prog.configurer(base.chemin);
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("home/.local/share/temp")), "un fichier, pas un dossier");
    base.executer({QStringLiteral("CREATE EXCEPTION E_REFUS 'message refusé'"),
                   QStringLiteral("CREATE TRIGGER T_REFUS FOR CLIENTS_MESSAGE BEFORE INSERT AS BEGIN EXCEPTION E_REFUS; END")});
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("job.ini")), "[Options]\ncbMsg=1\nMemo1=Bonjour\ncbCreate=1\n");
    const ProgrammeEssai::Resultat r = prog.lancer({QStringLiteral("--batch"), prog.d(QStringLiteral("job.ini"))});
    QCOMPARE(r.code, 5);
    QVERIFY2(r.erreurs.contains(prog.d(QStringLiteral("home/.local/share/temp"))), qPrintable(r.erreurs));
    QCOMPARE(r.lignes().size(), 2);
    QVERIFY(r.lignes().at(0).startsWith(QStringLiteral("error stmt #1 : ")));
    QVERIFY(r.lignes().at(1).startsWith(QStringLiteral("Journal d'annulation : ")));
    QVERIFY(base.valeur(QStringLiteral("SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL")) != QStringLiteral("0"));
    QCOMPARE(base.valeur(QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS")), QStringLiteral("0"));
}

// No undo journal, no operation: the run ends before its first one, nothing changed.
void TestPannes::journalAnnulationImpossible()
{
    ProgrammeEssai prog;
    BaseTemporaire base(qEnvironmentVariable("MSP_TESTDB"));
    prog.configurer(base.chemin);
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("home/.local/share/module-special")), "un fichier, pas un dossier");
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("job.ini")), "[Options]\ncbMsg=1\nMemo1=Bonjour\n");
    const ProgrammeEssai::Resultat r = prog.lancer({QStringLiteral("--batch"), prog.d(QStringLiteral("job.ini"))});
    QCOMPARE(r.code, 5);
    QVERIFY2(r.erreurs.contains(QStringLiteral("Le journal d'annulation ")) && r.erreurs.contains(QStringLiteral("module-special/journaux")),
             qPrintable(r.erreurs));
    QCOMPARE(base.valeur(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")), QStringLiteral("0"));
    QCOMPARE(base.valeur(QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS")), QStringLiteral("0"));
}

// Another process holds the database with its embedded engine: no connection, exit 2, the
// engine's reason on standard error.
void TestPannes::baseTenueParUnAutreMoteur()
{
    ProgrammeEssai prog;
    BaseTemporaire base(qEnvironmentVariable("MSP_TESTDB"));
    prog.configurer(base.chemin);
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("job.ini")), "[Options]\ncbMsg=1\n");
    fb::Database tenue;
    base.ouvrir(tenue);
    const ProgrammeEssai::Resultat r = prog.lancer({QStringLiteral("--batch"), prog.d(QStringLiteral("job.ini"))});
    tenue.close();
    QCOMPARE(r.code, 2);
    QVERIFY2(r.erreurs.contains(QStringLiteral("Impossible de se connecter à la base")), qPrintable(r.erreurs));
    QCOMPARE(base.valeur(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")), QStringLiteral("0"));
}

// A database set read-only: the start's context call is refused, exit 2 with the server's text.
void TestPannes::baseEnLectureSeule()
{
    ProgrammeEssai prog;
    BaseTemporaire base(qEnvironmentVariable("MSP_TESTDB"));
    QCOMPARE(QProcess::execute(QStringLiteral("gfix"), {QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-mode"),
                                                        QStringLiteral("read_only"), base.chemin}),
             0);
    prog.configurer(base.chemin);
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("job.ini")), "[Options]\ncbMsg=1\n");
    const ProgrammeEssai::Resultat r = prog.lancer({QStringLiteral("--batch"), prog.d(QStringLiteral("job.ini"))});
    QCOMPARE(r.code, 2);
    QVERIFY2(r.erreurs.contains(QStringLiteral("read-only database")), qPrintable(r.erreurs));
    QVERIFY(r.sortie.isEmpty());
}

void TestPannes::csvDisparuPendantLeLancement_data()
{
    QTest::addColumn<QString>("etape");      // the status at which the file changes
    QTest::addColumn<QByteArray>("remplace");  // what stands there then: "" nothing, "/" a folder, else bytes
    QTest::addColumn<bool>("sauvegarde");
    QTest::addColumn<QString>("genre");
    QTest::addColumn<QString>("message");
    const QString lecture = QStringLiteral("Chargement fichier csv...");
    QTest::newRow("removed after the check") << lecture << QByteArray() << false << "erreur"
                                             << "Lecture impossible du fichier %1 :\r\nNo such file or directory";
    QTest::newRow("a folder in its place") << lecture << QByteArray("/") << false << "erreur"
                                           << "Lecture impossible du fichier %1 :\r\nfile to open is a directory";
    QTest::newRow("emptied") << lecture << QByteArray("\r\n;;\r\n") << false << "avertissement"
                             << "Aucun numéro de client trouvé";
    QTest::newRow("removed during the backup") << QStringLiteral("Sauvegarde de la base...") << QByteArray() << true
                                               << "avertissement" << "Fichier non trouvé";
}

// The file was there when "Traiter" was pressed and goes away before it is read: the run stops
// with what happened, before the work table or any schedule is touched, and "Traiter" is usable.
void TestPannes::csvDisparuPendantLeLancement()
{
    QFETCH(QString, etape);
    QFETCH(QByteArray, remplace);
    QFETCH(bool, sauvegarde);
    QFETCH(QString, genre);
    QFETCH(QString, message);
    Lot l;
    l.sourceCsv({1, 2, 3});
    const QString csv = l.essai.dossier.filePath(QStringLiteral("clients.csv"));
    l.options.setCoche(CaseOption::cbMsg, true);
    l.essai.executer({QStringLiteral("INSERT INTO T_CLIENTS_PRESENTS (TCPR_ID, TCPR_IDCLI, TCPR_IDCTR) VALUES (900001, 7, 10010)")});
    const QString sauvegardeFichier = l.essai.dossier.filePath(QStringLiteral("avant.fbk"));
    if (sauvegarde) {
        // the backup reads the configuration: the embedded engine on this copy
        ConfigPrg.IPServeur.clear();
        ConfigPrg.Alias = l.essai.chemin;
        l.traitement.setSauvegardeAvant(sauvegardeFichier, {});
    }
    l.op.surStatut = [&](const QString& t) {
        if (t != etape)
            return;
        QVERIFY(QFile::remove(csv));
        if (remplace == "/")
            QVERIFY(QDir().mkdir(csv));
        else if (!remplace.isEmpty())
            ProgrammeEssai::ecrire(csv, remplace);
    };
    QSignalSpy traiter(&l.traitement, &Traitement::traiterActifChange);

    const Traitement::Resultat r = l.traitement.btnTraiterClick();
    QCOMPARE(r.issue, Traitement::Issue::Arrete);
    QCOMPARE(l.op.textes(genre), QStringList{message.replace(QStringLiteral("%1"), QDir::toNativeSeparators(csv))});
    QVERIFY(!traiter.isEmpty());
    QCOMPARE(traiter.last().at(0).toBool(), true);
    QCOMPARE(l.n("SELECT COUNT(*) FROM CLIENTS_MESSAGE"), 0);
    QCOMPARE(l.n("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010 AND TCPR_IDCLI = 7"), 1);
    QVERIFY(l.journauxEcrits().isEmpty());
    QVERIFY(!l.essai.session.trZelto.isActive());
    QCOMPARE(QFileInfo(sauvegardeFichier).size() > 0, sauvegarde);
}

QTEST_GUILESS_MAIN(TestPannes)
#include "tst_pannes.moc"
