// Interrupting a run during a slow operation: "Annuler" and closing the window (offscreen, the
// run on its own thread), SIGINT and SIGTERM sent to "--batch", and the server killed under the
// window's run. A trigger makes the messages' operation run for a minute; the postponement
// before it must stay, the messages and the entries after it must not exist, and (but for the
// killed server) the work table must be empty.
#include "common/SessionEssai.h"
#include "common/EnvironnementIsole.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/TfrmMain.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/Traitement.h"
#include "common/RecordingOperator.h"
#include "common/ServeurPrive.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>

namespace {

// Every message takes a minute to insert, unless its statement is cancelled.
const QString kDeclencheurLent = QStringLiteral(
    "CREATE TRIGGER T_LENT FOR CLIENTS_MESSAGE BEFORE INSERT AS "
    "DECLARE FIN TIMESTAMP; DECLARE I INTEGER = 0; "
    "BEGIN FIN = DATEADD(60 SECOND TO CAST('NOW' AS TIMESTAMP)); "
    "WHILE (CAST('NOW' AS TIMESTAMP) < FIN) DO I = I + 1; END");
// And, for the second signal, the clean-up as long.
const QString kNettoyageLent = QStringLiteral(
    "CREATE TRIGGER T_NETTOYAGE_LENT FOR T_CLIENTS_PRESENTS BEFORE DELETE AS "
    "DECLARE FIN TIMESTAMP; DECLARE I INTEGER = 0; "
    "BEGIN FIN = DATEADD(60 SECOND TO CAST('NOW' AS TIMESTAMP)); "
    "WHILE (CAST('NOW' AS TIMESTAMP) < FIN) DO I = I + 1; END");

const QString kDates = QStringLiteral("SELECT SUM(DATEDIFF(DAY FROM DATE '2000-01-01' TO ECHE_PROCHAINE)) FROM ECHEANCIER");

// What an interrupted run must leave, read on the database after it.
struct Etat
{
    qint64 dates = 0;        // the postponement moved the entries on
    qint64 messages = 0;
    qint64 entrees = 0;      // schedule entries created by the run
    qint64 travail = 0;      // the centre's work-table rows

    static Etat lire(SessionEssai& e)
    {
        return {e.entier(kDates), e.entier(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")),
                e.entier(QStringLiteral("SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL")),
                e.entier(QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010"))};
    }
};

void verifierApresInterruption(const Etat& avant, const Etat& apres)
{
    QVERIFY2(apres.dates > avant.dates, "the finished postponement is committed");
    QCOMPARE(apres.messages, 0);
    QCOMPARE(apres.entrees, avant.entrees);
    QCOMPARE(apres.travail, 0);
}

void ecrire(const QString& chemin, const QByteArray& octets)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size())
        qFatal("cannot write %s", qPrintable(chemin));
}

} // namespace

class TestInterruption : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;

    // The window on its own session, three operations ticked: postponement, messages, entries.
    struct Fenetre
    {
        SessionEssai e;
        RecordingOperator op;
        TfrmMain f;

        // Through `serveur` when given, else with the embedded engine.
        explicit Fenetre(const ServeurPrive* serveur = nullptr)
        {
            e.executer({kDeclencheurLent});
            if (serveur)
                e.parServeur(QStringLiteral("127.0.0.1"), serveur->port());
            f.Timer1()->stop();
            f.installerPagesLot(e.session, op);
            f.controleurSelection()->etatDemarrage();
            ControleurOptions& o = *f.controleurOptions();
            o.setCoche(CaseOption::cbIncPrel, true);
            o.setCoche(CaseOption::cbMsg, true);
            o.setTexte(QStringLiteral("Memo1"), QStringLiteral("Bonjour"));
            o.setCoche(CaseOption::cbCreate, true);
            f.show();
            f.activerPage(TfrmMain::PageGo);
        }

        // Clicks "Traiter" and returns once the slow operation is running.
        bool lancerJusquAuxMessages()
        {
            QTest::mouseClick(f.btnTraiter(), Qt::LeftButton);
            QElapsedTimer t;
            t.start();
            while (!op.statuts.contains(QStringLiteral("Création des messages...")) && t.elapsed() < 60000)
                QTest::qWait(20);
            QTest::qWait(300);   // the block is inside its first insertion
            return f.traitementEnCours() && op.statuts.last() == QStringLiteral("Création des messages...");
        }
    };

private Q_SLOTS:
    // The engine is shut down before the process exits (it may crash there otherwise).
    void cleanupTestCase() { fb::Client::arreter(); }
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        IsolerEnvironnement(m_dossier);
    }

    // "Annuler" during the messages: the window stays live while the run works, every control
    // but "Annuler" is disabled, and the run stops within 5 s with the summary of one operation.
    void annulerDepuisLaFenetre()
    {
        Fenetre w;
        const Etat avant = Etat::lire(w.e);
        int tics = 0;
        QTimer minuterie;
        connect(&minuterie, &QTimer::timeout, [&] { ++tics; });
        minuterie.start(20);

        QVERIFY(w.lancerJusquAuxMessages());
        QVERIFY2(tics > 10, qPrintable(QString::number(tics)));   // events were processed meanwhile
        QCOMPARE(w.f.lblProgression()->text(), QStringLiteral("Opération 2 / 3 : Création des messages..."));
        QVERIFY(w.f.btnAnnuler()->isVisible() && w.f.btnAnnuler()->isEnabled());
        for (const char* nom : {"btnTraiter", "Label9", "btnOK", "tsOption", "tsLoadData", "cbMsg"})
            QVERIFY2(!w.f.findChild<QWidget*>(QLatin1String(nom))->isEnabled(), nom);

        QTest::mouseClick(w.f.btnAnnuler(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.f.traitementEnCours(), 5000);

        QCOMPARE(w.op.textes(QStringLiteral("information")),
                 QStringList{QStringLiteral("Traitement interrompu : 1 opération(s) terminée(s) sur 3.\n\r")
                             + Traitement::TexteResume(w.f.controleurSelection()->NbClients, 0)});
        QVERIFY(w.op.textes(QStringLiteral("erreur")).isEmpty());
        QCOMPARE(w.op.details.size(), 2);   // the postponement's two tables
        QVERIFY(w.op.details.at(0).startsWith(QStringLiteral("mSQL1 ")));
        QCOMPARE(w.op.statuts.last(), QStringLiteral("Traitement interrompu."));
        QVERIFY(!w.f.btnAnnuler()->isVisible());
        QVERIFY(w.f.btnTraiter()->isEnabled() && w.f.tsOption()->isEnabled());
        QCOMPARE(w.f.pageActive(), int(TfrmMain::PageGo));
        verifierApresInterruption(avant, Etat::lire(w.e));
        QVERIFY(QDir(m_dossier.filePath(QStringLiteral("home/.local/share/temp"))).entryList(QDir::Files).isEmpty());
        QVERIFY(!w.e.session.trZelto.isActive());

        // A run after it is not interrupted by the earlier request.
        w.e.executer({QStringLiteral("DROP TRIGGER T_LENT")});
        w.op.messages.clear();
        QTest::mouseClick(w.f.btnTraiter(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.f.traitementEnCours(), 60000);
        QCOMPARE(w.f.pageActive(), int(TfrmMain::PageOption));
        QCOMPARE(w.op.textes(QStringLiteral("information")).value(0).left(22), QStringLiteral("Opérations terminées,\n"));
        QVERIFY(w.e.entier(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")) > 0);
    }

    // During the CSV load (each insertion slowed down, the numbers sent 250 a round trip): the
    // numbers inserted so far show, no operation runs, and the clean-up takes the rows already
    // inserted away. The request is seen between two chunks: the server does not cancel inside one.
    void annulerPendantLeChargement()
    {
        Fenetre w;
        w.e.executer({QStringLiteral("CREATE TRIGGER T_INSERTION_LENTE FOR T_CLIENTS_PRESENTS BEFORE INSERT AS "
                                     "DECLARE FIN TIMESTAMP; DECLARE I INTEGER = 0; "
                                     "BEGIN FIN = DATEADD(8 MILLISECOND TO CAST('NOW' AS TIMESTAMP)); "
                                     "WHILE (CAST('NOW' AS TIMESTAMP) < FIN) DO I = I + 1; END")});
        QByteArray csv;
        for (int n = 1; n <= 600; ++n)
            csv += QByteArray::number(n) + "\r\n";
        const QString chemin = w.e.dossier.filePath(QStringLiteral("clients.csv"));
        ecrire(chemin, csv);
        w.f.controleurSelection()->setNomFichier(chemin);
        w.f.controleurSelection()->appliquerSource(ControleurSelection::FichierCsv);
        const Etat avant = Etat::lire(w.e);

        QTest::mouseClick(w.f.btnTraiter(), Qt::LeftButton);
        const QString prefixe = QStringLiteral("Chargement de la sélection : ");
        const auto inseresAffiches = [&] {
            const QString t = w.f.lblProgression()->text();
            return t.startsWith(prefixe) && t.endsWith(QStringLiteral(" / 600 numéros insérés"))
                ? t.mid(prefixe.size()).section(u' ', 0, 0).toInt()
                : 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(inseresAffiches() >= 250, 30000);
        QTest::mouseClick(w.f.btnAnnuler(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.f.traitementEnCours(), 5000);
        const qint32 inseres = w.f.controleurSelection()->NbClients;
        QVERIFY2(inseres >= 250 && inseres < 500, qPrintable(QString::number(inseres)));
        QCOMPARE(w.op.textes(QStringLiteral("information")),
                 QStringList{QStringLiteral("Traitement interrompu : 0 opération(s) terminée(s) sur 3.\n\r")
                             + Traitement::TexteResume(inseres, 0)});
        QVERIFY(w.op.details.isEmpty());
        const Etat apres = Etat::lire(w.e);
        QCOMPARE(apres.dates, avant.dates);
        QCOMPARE(apres.messages, 0);
        QCOMPARE(apres.travail, 0);
    }

    // Requests that find no statement running: before the run, just before the slow block
    // starts (made from the run's own status text), and after the run has ended.
    void demandeHorsInstruction()
    {
        struct Operateur : RecordingOperator
        {
            std::function<void()> avantMessages;
            void statut(const QString& t) override
            {
                RecordingOperator::statut(t);
                if (t == QStringLiteral("Création des messages...") && avantMessages)
                    avantMessages();
            }
        };
        SessionEssai e;
        e.executer({kDeclencheurLent});
        Operateur op;
        ControleurOptions options{e.session, op};
        ControleurSelection selection{e.session, options, op};
        Traitement t{e.session, options, selection, op};
        t.setDossierJournal(e.dossier.filePath(QStringLiteral("journaux")));
        t.setDossierAnnulation(e.dossier.filePath(QStringLiteral("annulation")));
        selection.etatDemarrage();
        options.setCoche(CaseOption::cbIncPrel, true);
        options.setCoche(CaseOption::cbMsg, true);
        options.setTexte(QStringLiteral("Memo1"), QStringLiteral("Bonjour"));
        const Etat avant = Etat::lire(e);

        t.interrompre();   // the --batch signal that comes before the run starts
        Traitement::Resultat r = t.btnTraiterClick();
        QCOMPARE(r.issue, Traitement::Issue::Interrompu);
        QCOMPARE(r.interruption, QStringLiteral("Traitement interrompu : 0 opération(s) terminée(s) sur 2."));
        QCOMPARE(Etat::lire(e).dates, avant.dates);

        // Lost by the engine, the request is made again once the block runs.
        op.avantMessages = [&t] { t.interrompre(); };
        r = t.btnTraiterClick();
        QCOMPARE(r.issue, Traitement::Issue::Interrompu);
        QCOMPARE(r.interruption, QStringLiteral("Traitement interrompu : 1 opération(s) terminée(s) sur 2."));
        QCOMPARE(r.NbErreurs, 0);
        verifierApresInterruption(avant, Etat::lire(e));

        op.avantMessages = nullptr;
        t.interrompre();   // after the end: ignored
        e.executer({QStringLiteral("DROP TRIGGER T_LENT")});
        r = t.btnTraiterClick();
        QCOMPARE(r.issue, Traitement::Issue::Termine);
        QVERIFY(e.entier(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")) > 0);
    }

    // The run's question comes to the window's thread and the run waits for the answer: a yes
    // given late still lets the balance reset run.
    void questionAttendue()
    {
        struct OperateurLent : RecordingOperator
        {
            bool question(const QString& t) override
            {
                QTest::qWait(300);   // the window goes on meanwhile; the run must not
                return RecordingOperator::question(t);
            }
        };
        SessionEssai e;
        OperateurLent op;
        op.reponseQuestion = true;
        TfrmMain f;
        f.Timer1()->stop();
        f.installerPagesLot(e.session, op);
        f.controleurSelection()->etatDemarrage();
        QByteArray csv;
        for (int n = 1; n <= 120; ++n)
            csv += QByteArray::number(n) + "\r\n";
        const QString chemin = e.dossier.filePath(QStringLiteral("clients.csv"));
        ecrire(chemin, csv);
        f.controleurSelection()->setNomFichier(chemin);
        f.controleurSelection()->appliquerSource(ControleurSelection::FichierCsv);
        f.controleurOptions()->setCoche(CaseOption::cbSolde, true);
        QVERIFY(f.controleurOptions()->choisirParId(QStringLiteral("cbArticle2"), 205));
        f.controleurOptions()->setTexte(QStringLiteral("mmoSolde"), QString());
        f.show();
        f.activerPage(TfrmMain::PageGo);

        QTest::mouseClick(f.btnTraiter(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!f.traitementEnCours(), 60000);
        QCOMPARE(op.textes(QStringLiteral("question")), QStringList{QStringLiteral("Pas de message (solde) saisi, continuer ?")});
        QCOMPARE(f.pageActive(), int(TfrmMain::PageOption));
        QVERIFY(op.details.value(0).startsWith(QStringLiteral("mSQL7 ")));
    }

    // Closing during the run asks; "no" leaves it running, "yes" interrupts it and closes.
    void fermerPendantLeTraitement()
    {
        Fenetre w;
        const Etat avant = Etat::lire(w.e);
        QVERIFY(w.lancerJusquAuxMessages());
        w.op.reponseQuestion = false;
        w.f.close();
        QCOMPARE(w.op.textes(QStringLiteral("question")).size(), 1);
        QTest::qWait(200);
        QVERIFY(w.f.traitementEnCours() && w.f.isVisible());

        w.op.reponseQuestion = true;
        w.f.close();
        QTRY_VERIFY_WITH_TIMEOUT(!w.f.isVisible(), 5000);
        QVERIFY(!w.f.traitementEnCours());
        QVERIFY(w.op.textes(QStringLiteral("information")).isEmpty());   // no summary to click away
        verifierApresInterruption(avant, Etat::lire(w.e));
    }

    // The server dies under the window's run: the error is shown with the server's text, the
    // finished operation stays, the one in progress is absent and the controls come back. The
    // next "Traiter" attaches again: refused while the server is down, then, once it is back,
    // the run goes through on the new attachment and clears what the killed run left.
    void serveurTueSousLaFenetre()
    {
        ServeurPrive serveur(m_dossier.filePath(QStringLiteral("serveur")), 3062);
        QVERIFY(serveur.demarrer());
        Fenetre w(&serveur);
        const Etat avant = Etat::lire(w.e);
        const auto commandesRendues = [&] {
            QVERIFY(!w.f.btnAnnuler()->isVisible());
            for (const char* nom : {"btnTraiter", "Label9", "btnOK", "tsOption", "cbMsg"})
                QVERIFY2(w.f.findChild<QWidget*>(QLatin1String(nom))->isEnabled(), nom);
            QVERIFY(w.op.textes(QStringLiteral("information")).isEmpty());
        };
        const auto traiter = [&] {
            w.op.messages.clear();
            QTest::mouseClick(w.f.btnTraiter(), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!w.f.traitementEnCours(), 60000);
        };

        QVERIFY(w.lancerJusquAuxMessages());
        QVERIFY(serveur.tuer());
        QTRY_VERIFY_WITH_TIMEOUT(!w.f.traitementEnCours(), 60000);
        const QStringList erreurs = w.op.textes(QStringLiteral("erreur"));
        QCOMPARE(erreurs.size(), 1);
        QVERIFY2(erreurs.at(0).startsWith(QStringLiteral("Le traitement s'est arrêté sur une erreur inattendue :\r\n"
                                                         "Error writing data to the connection.")),
                 qPrintable(erreurs.at(0)));
        QVERIFY(erreurs.at(0).endsWith(QStringLiteral("Vérifiez la connexion au serveur et la base, puis relancez le traitement.")));
        commandesRendues();
        QVERIFY(!w.e.session.trZelto.isActive());
        // Read with the embedded engine: the server holds the file no more.
        QVERIFY(ValeurSur(w.e.chemin, kDates).toLongLong() > avant.dates);
        QCOMPARE(ValeurSur(w.e.chemin, QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")), QStringLiteral("0"));
        QCOMPARE(ValeurSur(w.e.chemin, QStringLiteral("SELECT COUNT(*) FROM ECHEANCIER WHERE ECHE_IDACT IS NULL")),
                 QString::number(avant.entrees));
        QVERIFY(ValeurSur(w.e.chemin, QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS")).toInt() > 0);

        traiter();   // the server is still down
        QCOMPARE(w.op.messages.size(), 1);
        QCOMPARE(w.op.messages.at(0).genre, QStringLiteral("messageErreur"));
        QVERIFY2(w.op.messages.at(0).texte.startsWith(QStringLiteral("Impossible de se connecter au serveur de données.")),
                 qPrintable(w.op.messages.at(0).texte));
        commandesRendues();

        ExecuterSur(w.e.chemin, {QStringLiteral("DROP TRIGGER T_LENT")});
        QVERIFY(serveur.demarrer());
        traiter();
        QCOMPARE(w.f.pageActive(), int(TfrmMain::PageOption));
        QVERIFY(w.op.textes(QStringLiteral("erreur")).isEmpty());
        QCOMPARE(w.op.textes(QStringLiteral("information")).value(0).left(22), QStringLiteral("Opérations terminées,\n"));
        const Etat apres = Etat::lire(w.e);   // on the new attachment
        QVERIFY(apres.messages > 0);
        QVERIFY(apres.entrees > avant.entrees);
        QCOMPARE(apres.travail, 0);
    }

    void signauxDuLot_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("serveur");   // through the loopback server, not the embedded engine
        QTest::newRow("SIGINT") << int(SIGINT) << 130 << false;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143 << false;
        QTest::newRow("SIGINT, server") << int(SIGINT) << 130 << true;
        QTest::newRow("a second signal") << int(SIGINT) << -1 << false;
    }

    // "--batch" on a configuration root whose database has the slow trigger.
    void signauxDuLot()
    {
        QFETCH(int, signal);
        QFETCH(int, code);
        QFETCH(bool, serveur);
        const QString hote = qEnvironmentVariable("MSP_FBSERVER");
        QVERIFY2(!serveur || !hote.isEmpty(), "MSP_FBSERVER manque");
        const bool deuxSignaux = code == -1;
        QTemporaryDir d;
        BaseTemporaire base(qEnvironmentVariable("MSP_TESTDB"));
        Etat avant;
        {
            Session s;
            base.ouvrir(s.dbZelto);
            fb::Transaction tr(s.dbZelto);
            tr.start();
            tr.executeImmediate(kDeclencheurLent);
            if (deuxSignaux)
                tr.executeImmediate(kNettoyageLent);
            tr.commit();
        }
        {
            SessionEssai lecture;   // a copy of the same template: the figures before
            avant = Etat::lire(lecture);
        }
        ecrire(d.filePath(QStringLiteral("racine/Program/zeltoQ58.conf")),
               QStringLiteral("[Configuration]\nServeur=0\n\n[Serveur0]\nIPServeur=%4\nPortDonnee=%5\nTemporaire=%1/\n"
                              "Racine=%2/\nDernier=\nCentre=1001\nAlias=%3\nNom=TEST\nToken=\nNiveauDebug=0\n")
                   .arg(d.filePath(QStringLiteral("temp")), d.filePath(QStringLiteral("racine")), base.chemin,
                        serveur ? hote.section(u'/', 0, 0) : QString(),
                        serveur ? hote.section(u'/', 1) : QStringLiteral("3050"))
                   .toUtf8());
        ecrire(d.filePath(QStringLiteral("job.ini")),
               "[Selection]\nrgSource=2\n[Options]\ncbIncPrel=1\ncbMsg=1\nMemo1=Bonjour\ncbCreate=1\n");

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* nom : {"HOME", "TEMP", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            env.insert(QLatin1String(nom), d.filePath(QStringLiteral("home")));
        QDir().mkpath(d.filePath(QStringLiteral("home/temp")));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("MSP_BINARY_DIR") + QStringLiteral("/module-special"),
                {QStringLiteral("--racine"), d.filePath(QStringLiteral("racine/Program")), QStringLiteral("--batch"),
                 d.filePath(QStringLiteral("job.ini"))});
        QVERIFY(p.waitForStarted());
        QByteArray erreurs;
        QElapsedTimer t;
        t.start();
        while (!erreurs.contains("Création des messages...") && t.elapsed() < 60000 && p.state() == QProcess::Running) {
            p.waitForReadyRead(100);
            erreurs += p.readAllStandardError();
        }
        QVERIFY2(erreurs.contains("Création des messages..."), erreurs.constData());
        QTest::qWait(300);
        ::kill(pid_t(p.processId()), signal);
        if (deuxSignaux) {
            // The first signal's clean-up is slow: the second one ends the process there.
            while (!erreurs.contains("Nettoyage...") && t.elapsed() < 60000 && p.state() == QProcess::Running) {
                p.waitForReadyRead(100);
                erreurs += p.readAllStandardError();
            }
            QTest::qWait(300);
            ::kill(pid_t(p.processId()), SIGTERM);
        }
        const bool fini = p.waitForFinished(5000);
        if (!fini) {
            p.kill();
            p.waitForFinished();
        }
        QVERIFY2(fini, "the run did not end within 5 s of the signal");
        if (deuxSignaux) {
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);   // ended by the signal itself
            return;
        }
        const QString sortie = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == code,
                 qPrintable(QString::number(p.exitCode()) + u'\n' + sortie + QString::fromUtf8(erreurs + p.readAllStandardError())));
        const QStringList lignes = sortie.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lignes.size() == 7, qPrintable(sortie));
        QCOMPARE(lignes.at(0), QStringLiteral("Traitement interrompu : 1 opération(s) terminée(s) sur 3."));
        QCOMPARE(lignes.at(1), QStringLiteral("Opérations terminées,"));
        QVERIFY(lignes.at(2).endsWith(QStringLiteral(" clients traités,")));
        QCOMPARE(lignes.at(3), QStringLiteral("0 erreurs."));
        QVERIFY(lignes.at(4).startsWith(QStringLiteral("mSQL1 CLIENTS_ACTIVITE : ")));
        QVERIFY(lignes.at(5).startsWith(QStringLiteral("mSQL1 ECHEANCIER : ")));
        QVERIFY(lignes.at(6).startsWith(QStringLiteral("Journal d'annulation : ")));
        QVERIFY(QDir(d.filePath(QStringLiteral("home/temp"))).entryList(QDir::Files).isEmpty());   // no run log

        SessionEssai apres;
        apres.session.dbZelto.close();
        base.ouvrir(apres.session.dbZelto);
        verifierApresInterruption(avant, Etat::lire(apres));
    }
};

QTEST_MAIN(TestInterruption)
#include "tst_interruption.moc"
