// Faults that nobody specified but an operator meets: the database server killed during an
// operation, a run log that cannot be written, a database held by another engine or made
// read-only. Each ends with a clear message, the right exit code, and nothing lost.
#include "LotEssai.h"
#include "common/ProgrammeEssai.h"
#include "db/BaseTemporaire.h"

#include <QElapsedTimer>
#include <QProcess>
#include <csignal>

namespace {

constexpr int kPortPrive = 3061;

int serveurPrive(const QStringList& arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MSP_MOT_DE_PASSE"), QStringLiteral(MSP_MOT_DE_PASSE_ESSAI));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral("bash"),
            QStringList{qEnvironmentVariable("MSP_SOURCE_DIR") + QStringLiteral("/testdb/fbserver-prive.sh")} + arguments);
    return p.waitForFinished(60000) ? p.exitCode() : -1;
}

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
    void baseTenueParUnAutreMoteur();
    void baseEnLectureSeule();
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
    const QString serveur = prog.d(QStringLiteral("serveur"));
    QCOMPARE(serveurPrive({QStringLiteral("start"), serveur, QString::number(kPortPrive)}), 0);
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
    QFile pid(serveur + QStringLiteral("/firebird.pid"));
    QVERIFY(pid.open(QIODevice::ReadOnly));
    ::kill(pid.readAll().trimmed().toInt(), SIGKILL);
    QElapsedTimer fin;
    fin.start();
    QVERIFY(p.waitForFinished(90000));
    const qint64 duree = fin.elapsed();
    serveurPrive({QStringLiteral("stop"), serveur});
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
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("home/.local/share")), "un fichier, pas un dossier");
    ProgrammeEssai::ecrire(prog.d(QStringLiteral("job.ini")),
                           "[Options]\ncbMsg=1\nMemo1=" + QByteArray(4001, 'x') + "\ncbCreate=1\n");
    const ProgrammeEssai::Resultat r = prog.lancer({QStringLiteral("--batch"), prog.d(QStringLiteral("job.ini"))});
    QCOMPARE(r.code, 5);
    QVERIFY2(r.erreurs.contains(prog.d(QStringLiteral("home/.local/share/temp"))), qPrintable(r.erreurs));
    QCOMPARE(r.lignes().size(), 1);
    QVERIFY(r.lignes().at(0).startsWith(QStringLiteral("error stmt #1 : ")));
    QVERIFY(base.valeur(QStringLiteral("SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL")) != QStringLiteral("0"));
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

QTEST_GUILESS_MAIN(TestPannes)
#include "tst_pannes.moc"
