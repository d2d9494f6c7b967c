// Hostile inputs through the command line, end to end: special files as outputs, inputs
// without end, script text that cannot become statements, the command line's own errors,
// signals before and during the connection, refusals of the job file.
#include "common/ProgrammeEssai.h"
#include "common/BaseTemporaire.h"

#include <QTest>

#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool peripherique(const char* chemin)
{
    struct stat s {};
    return ::stat(chemin, &s) == 0 && S_ISCHR(s.st_mode);
}

} // namespace

class TestEntrees : public QObject
{
    Q_OBJECT

    ProgrammeEssai m_programme;
    ProgrammeEssai m_muet;   // its server accepts the connection and never answers
    BaseTemporaire m_base{qEnvironmentVariable("MSP_TESTDB")};
    int m_ecoute = -1;

    QString d(const QString& relatif) const { return m_programme.d(relatif); }
    QString racine() const { return m_programme.dossier.path() + u'/'; }

private Q_SLOTS:
    void initTestCase()
    {
        m_programme.configurer(m_base.chemin);
        m_ecoute = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in adresse{};
        adresse.sin_family = AF_INET;
        adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t longueur = sizeof adresse;
        QVERIFY(::bind(m_ecoute, reinterpret_cast<sockaddr*>(&adresse), longueur) == 0 && ::listen(m_ecoute, 8) == 0);
        QVERIFY(::getsockname(m_ecoute, reinterpret_cast<sockaddr*>(&adresse), &longueur) == 0);
        m_muet.configurer(QStringLiteral("club.fdb"), QStringLiteral("127.0.0.1"), ntohs(adresse.sin_port));

        const auto ecrire = [this](const char* nom, const QByteArray& octets) { ProgrammeEssai::ecrire(d(nom), octets); };
        ecrire("job.ini", "[Options]\ncbMsg=1\nMemo1=Bonjour\n");
        ecrire("gros.ini", QByteArray(3 * 1024 * 1024, 'x'));
        ecrire("cle-longue.ini", "[Options]\n" + QByteArray(100000, 'k') + "=1\n");
        ecrire("memo.ini", "[Options]\ncbMsg=1\nMemo1=" + QByteArray(4000, 'm') + "\n");
        ecrire("montant.ini", "[Options]\nedtMontant3=123456789012\n");
        ecrire("sections.ini", "[Options]\ncbMsg=1\n[Selection]\nrgSource=2\n[Options]\nMemo1=a\n");
        ecrire("csv-dossier.ini", "[Selection]\nrgSource=0\nJvFilenameEdit1=dossier\n[Options]\ncbMsg=1\nMemo1=a\n");
        ecrire("set-term.sql", "SET TERM ^\nEXECUTE BLOCK AS BEGIN END^\n");
        ecrire("commentaire.sql", "SELECT 1 FROM RDB$DATABASE;\n/* jamais fermé\nDELETE FROM CLIENTS_MESSAGE;\n");
        ecrire("chaine.sql", "SELECT 'abc FROM RDB$DATABASE\n");
        QVERIFY(QDir().mkpath(d("dossier")));
        QVERIFY(::mkfifo(QFile::encodeName(d("tube")).constData(), 0600) == 0);
    }

    void cleanupTestCase() { ::close(m_ecoute); }

    void entrees_data()
    {
        QTest::addColumn<QStringList>("arguments");   // "@/" is the test folder
        QTest::addColumn<QString>("entree");          // standard input from this file, else left open
        QTest::addColumn<int>("signal");              // sent 700 ms after the start
        QTest::addColumn<bool>("muet");               // the server that never answers
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("attendu");     // in standard output or standard error
        QTest::addColumn<QString>("exclu");           // in neither

        const QStringList rien;
        // Outputs: never replaced unless regular files; devices and pipes written in place.
        QTest::newRow("overlaps into /dev/full") << QStringList{"--doublons", "/dev/full"} << "" << 0 << false << 1
                                                 << QStringList{"/dev/full", "No space left on device"} << "n'a pas été créé";
        QTest::newRow("overlaps to /dev/stdout") << QStringList{"--doublons", "/dev/stdout"} << "" << 0 << false << 0
                                                 << QStringList{"NUMERO_CLIENT;NOM_CLIENT", "se chevauchent :"} << "Erreur";
        QTest::newRow("overlaps into a folder") << QStringList{"--doublons", "@/dossier"} << "" << 0 << false << 1
                                                << QStringList{"@/dossier", "c'est un dossier"} << "Permission";
        QTest::newRow("overlaps into a FIFO nobody reads") << QStringList{"--doublons", "@/tube"} << "" << 0 << false << 1
                                                           << QStringList{"qu'aucun programme ne lit"} << "";
        // Inputs without end, and quoted input cut short.
        QTest::newRow("job /dev/zero") << QStringList{"--batch", "/dev/zero"} << "" << 0 << false << 1
                                       << QStringList{"/dev/zero", "1 Mo"} << "";
        QTest::newRow("job /dev/urandom") << QStringList{"--batch", "/dev/urandom"} << "" << 0 << false << 1
                                          << QStringList{"/dev/urandom", "1 Mo"} << "";
        QTest::newRow("script /dev/zero") << QStringList{"--script", "/dev/zero"} << "" << 0 << false << 1
                                          << QStringList{"/dev/zero", "128 Mo"} << "statements";
        QTest::newRow("3 MB job on standard input") << QStringList{"--batch", "/dev/stdin"} << "@/gros.ini" << 0 << false
                                                    << 1 << QStringList{"/dev/stdin", "1 Mo"} << "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
        QTest::newRow("100 kB key cut in the message") << QStringList{"--batch", "@/cle-longue.ini"} << "" << 0 << false
                                                       << 1 << QStringList{"100000 caractères"} << QString(200, u'k');
        // Script text that cannot become a statement is counted, never lost.
        QTest::newRow("SET TERM without terminator") << QStringList{"--script", "@/set-term.sql"} << "" << 0 << false << 3
                                                     << QStringList{"error stmt #1 : \"Le SET TERM", "2 statements, 1 errors"} << "";
        QTest::newRow("comment never closed") << QStringList{"--script", "@/commentaire.sql"} << "" << 0 << false << 3
                                              << QStringList{"error stmt #2 : \"Le commentaire", "2 statements, 1 errors"} << "";
        QTest::newRow("string never closed") << QStringList{"--script", "@/chaine.sql"} << "" << 0 << false << 3
                                             << QStringList{"Unexpected end of command", "1 statements, 1 errors"} << "";
        // The command line's own errors.
        QTest::newRow("empty overlap file") << QStringList{"--doublons", ""} << "" << 0 << false << 64
                                            << QStringList{"--doublons"} << "";
        QTest::newRow("--yes alone") << QStringList{"--yes"} << "" << 0 << false << 64 << QStringList{"--yes", "--batch"} << "";
        QTest::newRow("empty job, simulation") << QStringList{"--batch", "", "--simuler"} << "" << 0 << false << 64
                                               << QStringList{"l'option --batch"} << "--simuler ne";
        QTest::newRow("--apercu without --simuler") << QStringList{"--batch", "@/job.ini", "--apercu", "@/a.csv"} << "" << 0
                                                    << false << 64 << QStringList{"--apercu ne"} << "";
        QTest::newRow("preview into a folder") << QStringList{"--batch", "@/job.ini", "--simuler", "--apercu", "@/dossier"} << ""
                                               << 0 << true << 1 << QStringList{"@/dossier", "c'est un dossier"}
                                               << "Impossible de se connecter";
        QTest::newRow("--config --yes") << QStringList{"--config", "--yes"} << "" << 0 << false << 64
                                        << QStringList{"--yes"} << "Nom=";
        QTest::newRow("--config --version") << QStringList{"--config", "--version"} << "" << 0 << false << 64
                                            << QStringList{"--config et --version"} << "Nom=";
        QTest::newRow("--batch twice") << QStringList{"--batch", "a.ini", "--batch", "b.ini"} << "" << 0 << false << 64
                                       << QStringList{"--batch est donnée deux fois"} << "";
        // A signal before and during the connection is an interruption.
        QTest::newRow("SIGINT while the job is read") << QStringList{"--batch", "/dev/stdin", "--simuler"} << "" << SIGINT
                                                      << false << 130
                                                      << QStringList{"Traitement interrompu : 0 opération(s) terminée(s) sur 0."}
                                                      << "Impossible de se connecter";
        QTest::newRow("SIGTERM while connecting") << QStringList{"--batch", "@/job.ini", "--simuler"} << "" << SIGTERM << true
                                                  << 143
                                                  << QStringList{"Traitement interrompu : 0 opération(s) terminée(s) sur 1."}
                                                  << "Impossible de se connecter";
        // The job file's refusals, before any connection.
        QTest::newRow("message longer than its column") << QStringList{"--batch", "@/memo.ini"} << "" << 0 << true << 1
                                                        << QStringList{"Memo1", "4001", "4000"} << "";
        QTest::newRow("amount too large") << QStringList{"--batch", "@/montant.ini"} << "" << 0 << true << 1
                                          << QStringList{"edtMontant3", "trop grande"} << "";
        QTest::newRow("[Options] twice") << QStringList{"--batch", "@/sections.ini"} << "" << 0 << true << 1
                                         << QStringList{"ligne 5", "[Options] est déjà donnée ligne 1"} << "";
        QTest::newRow("CSV path naming a folder") << QStringList{"--batch", "@/csv-dossier.ini"} << "" << 0 << false << 1
                                                  << QStringList{"est un dossier"} << "Fichier non trouvé";
    }

    void entrees()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, entree);
        QFETCH(int, signal);
        QFETCH(bool, muet);
        QFETCH(int, code);
        QFETCH(QStringList, attendu);
        QFETCH(QString, exclu);
        const ProgrammeEssai& programme = muet ? m_muet : m_programme;
        for (QString& a : arguments)
            a.replace(QLatin1String("@/"), racine());
        QProcess p;
        if (!entree.isEmpty())
            p.setStandardInputFile(d(entree.mid(2)));
        programme.demarrer(p, arguments);
        QVERIFY(p.waitForStarted(10000));
        if (signal) {
            QTest::qWait(700);
            ::kill(pid_t(p.processId()), signal);
        }
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            QFAIL("module-special did not finish");
        }
        const QString sortie = QString::fromUtf8(p.readAllStandardOutput());
        const QString erreurs = QString::fromUtf8(p.readAllStandardError());
        const QString tout = sortie + erreurs;
        const QString texte = QStringLiteral("exit %1\n%2\n%3").arg(p.exitCode()).arg(sortie.left(2000), erreurs.left(2000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == code, qPrintable(texte));
        for (QString a : attendu)
            QVERIFY2(tout.contains(a.replace(QLatin1String("@/"), racine())), qPrintable(a + u'\n' + texte));
        QVERIFY2(exclu.isEmpty() || !tout.contains(exclu), qPrintable(texte));
        QVERIFY2(erreurs.size() < 1500, qPrintable(texte));   // whatever the input, a readable message
        QVERIFY(peripherique("/dev/full") && peripherique("/dev/null") && QFileInfo(d("dossier")).isDir());
    }
};

QTEST_GUILESS_MAIN(TestEntrees)
#include "tst_entrees.moc"
