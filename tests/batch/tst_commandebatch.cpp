// "--batch JOB" end to end: the program started on a configuration root that points at a copy
// of the club test database (embedded access): job refusals before any connection, what it
// prints on both streams, the run log and every exit code.
#include "common/ProgrammeEssai.h"
#include "common/BaseTemporaire.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>


class TestCommandeBatch : public QObject
{
    Q_OBJECT

    ProgrammeEssai m_programme;
    BaseTemporaire m_base{qEnvironmentVariable("MSP_TESTDB")};

    QString d(const QString& relatif) const { return m_programme.d(relatif); }
    void configurer(const QString& alias) { m_programme.configurer(alias); }
    static void ecrire(const QString& chemin, const QByteArray& octets) { ProgrammeEssai::ecrire(chemin, octets); }

    struct Resultat
    {
        int code = -1;
        QStringList sortie;   // the undo journal's line aside
        QString erreurs;
        QString journalAnnulation;
    };

    // Statements on the database copy, committed, before the program opens it.
    void executer(const QStringList& instructions) { m_base.executer(instructions); }

    static qint64 compter(const QString& chemin, const QString& table)
    {
        return ValeurSur(chemin, QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
    }

    Resultat lancer(const QByteArray& job, const QStringList& options = {})
    {
        ecrire(d(QStringLiteral("job.ini")), job);
        const ProgrammeEssai::Resultat p =
            m_programme.lancer(QStringList{QStringLiteral("--batch"), d(QStringLiteral("job.ini"))} + options, 60000);
        QStringList sortie = p.lignes();
        const QString prefixe = QStringLiteral("Journal d'annulation : ");
        QString journal;
        if (!sortie.isEmpty() && sortie.last().startsWith(prefixe))
            journal = sortie.takeLast().mid(prefixe.size());
        return {p.code, sortie, p.erreurs, journal};
    }

    // The messages' operation fails in the server (a text too long for its column is refused
    // by the job file itself).
    static QStringList refusMessages()
    {
        return {QStringLiteral("CREATE EXCEPTION E_REFUS 'message refusé'"),
                QStringLiteral("CREATE TRIGGER T_REFUS FOR CLIENTS_MESSAGE BEFORE INSERT AS BEGIN EXCEPTION E_REFUS; END")};
    }

    QStringList journaux() const
    {
        return QDir(d(QStringLiteral("home/.local/share/temp"))).entryList(QDir::Files);
    }

private Q_SLOTS:
    // The engine is shut down before the process exits (it may crash there otherwise).
    void cleanupTestCase() { fb::Client::arreter(); }
    void initTestCase()
    {
        QVERIFY(m_programme.dossier.isValid());
        configurer(m_base.chemin);
    }

    void refusAvantConnexion_data()
    {
        QTest::addColumn<QByteArray>("job");
        QTest::addColumn<QStringList>("nomme");   // what the message names
        QTest::newRow("unknown section") << QByteArray("[Selection]\nrgSource=2\n[Option]\ncbMsg=1\n")
                                         << QStringList{"ligne 3", "[Option]"};
        QTest::newRow("unknown key") << QByteArray("[Options]\ncbMessage=1\n") << QStringList{"cbMessage"};
        QTest::newRow("date that does not parse") << QByteArray("[Options]\ncbIncPrel=1\nedtDateInc=2026-02-30\n")
                                                  << QStringList{"edtDateInc", "2026-02-30"};
        QTest::newRow("number with a comma") << QByteArray("[Options]\nedtMontant3=12,5\n") << QStringList{"edtMontant3", "12,5"};
        QTest::newRow("flag other than 0/1") << QByteArray("[Options]\ncbMsg=oui\n") << QStringList{"cbMsg", "oui"};
        QTest::newRow("key given twice") << QByteArray("[Options]\ncbMsg=1\ncbmsg=0\n") << QStringList{"cbMsg", "ligne 2"};
        QTest::newRow("box hidden by its source") << QByteArray("[Selection]\nrgSource=2\n[Options]\ncbAnnulation=1\n")
                                                  << QStringList{"cbAnnulation=1", "rgSource=2"};
        QTest::newRow("balance reset with the start source") << QByteArray("[Options]\ncbSolde=1\n")
                                                             << QStringList{"cbSolde=1", "rgSource=2"};
        QTest::newRow("boxes that exclude each other") << QByteArray("[Options]\ncbModifMontant2=1\ncbIncPrel=1\n")
                                                       << QStringList{"cbModifMontant2=1", "cbIncPrel=1"};
        QTest::newRow("CSV source without a file") << QByteArray("[Selection]\nrgSource=0\n[Options]\ncbMsg=1\n")
                                                   << QStringList{"JvFilenameEdit1"};
    }

    // The configuration points at a database that does not exist: a refusal that came after
    // connecting would exit 2.
    void refusAvantConnexion()
    {
        QFETCH(QByteArray, job);
        QFETCH(QStringList, nomme);
        configurer(d(QStringLiteral("absente.fdb")));
        const Resultat r = lancer(job);
        configurer(m_base.chemin);
        QCOMPARE(r.code, 1);
        QVERIFY(r.sortie.isEmpty());
        QVERIFY2(r.erreurs.contains(QStringLiteral("job.ini")), qPrintable(r.erreurs));
        for (const QString& n : nomme)
            QVERIFY2(r.erreurs.contains(n), qPrintable(r.erreurs));
    }

    void fichierDeLotDossier()
    {
        QDir().mkpath(d(QStringLiteral("dossier.ini")));
        const ProgrammeEssai::Resultat r = m_programme.lancer({QStringLiteral("--batch"), d(QStringLiteral("dossier.ini"))});
        QCOMPARE(r.code, 1);
        QVERIFY(r.erreurs.contains(QStringLiteral("est un dossier")));
    }

    void sansConnexion()
    {
        configurer(d(QStringLiteral("absente.fdb")));
        const Resultat r = lancer("[Options]\ncbMsg=1\n");
        configurer(m_base.chemin);
        QCOMPARE(r.code, 2);
        QVERIFY(r.sortie.isEmpty());
    }

    void arrets_data()
    {
        QTest::addColumn<QByteArray>("job");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        QTest::newRow("a check") << QByteArray("[Options]\ncbMsg=1\nMemo1=\n") << QStringList{}
                                 << "Avertissement: Pas de message saisi";
        QTest::newRow("the question without --yes")
            << QByteArray("[Selection]\nrgSource=0\nJvFilenameEdit1=clients.csv\n[Options]\ncbSolde=1\ncbArticle2=205\nmmoSolde=\n")
            << QStringList{} << "Confirmation: Pas de message (solde) saisi, continuer ? -> non (sans --yes)";
        QTest::newRow("an id the list does not hold") << QByteArray("[Options]\ncbCreate=1\ncbArticle=206\n") << QStringList{}
                                                      << "Avertissement: Article non valide";
        QTest::newRow("a CSV file that is missing")
            << QByteArray("[Selection]\nrgSource=0\nJvFilenameEdit1=absent.csv\n[Options]\ncbMsg=1\n") << QStringList{}
            << "Avertissement: Fichier non trouvé";
    }

    void arrets()
    {
        QFETCH(QByteArray, job);
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        ecrire(d(QStringLiteral("clients.csv")), "1\r\n2\r\n");
        const Resultat r = lancer(job, options);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.erreurs.contains(message), qPrintable(r.erreurs));
        QVERIFY(r.sortie.isEmpty());
    }

    void runComplet()
    {
        ecrire(d(QStringLiteral("clients.csv")), "1\r\n2\r\n3\r\n4\r\n");
        const Resultat r = lancer("[Selection]\nrgSource=0\nJvFilenameEdit1=clients.csv\n"
                                  "[Options]\ncbMsg=1\nMemo1=Ligne 1\\nLigne 2\ncbSolde=1\ncbArticle2=205\nmmoSolde=\n",
                                  {QStringLiteral("--yes")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.sortie.mid(0, 3), (QStringList{"Opérations terminées,", "4 clients traités,", "0 erreurs."}));
        QCOMPARE(r.sortie.at(3), QStringLiteral("mSQL2 CLIENTS_MESSAGE : 4 ajout(s), 0 modification(s), 0 suppression(s)"));
        QVERIFY(r.sortie.mid(4).filter(QRegularExpression(QStringLiteral("^mSQL7 [A-Z_]+ : \\d+ ajout\\(s\\), \\d+ modification\\(s\\), \\d+ suppression\\(s\\)$"))).size()
                == r.sortie.size() - 4);
        const QStringList statuts = r.erreurs.split(u'\n', Qt::SkipEmptyParts)
                                        .filter(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d ")));
        QCOMPARE(statuts.size(), 6);
        QVERIFY(statuts.at(0).endsWith(QStringLiteral(" Chargement fichier csv...")));
        QVERIFY(statuts.at(2).endsWith(QStringLiteral(" Création des messages...")));
        QVERIFY(statuts.at(3).endsWith(QStringLiteral(" Remise à zéro des soldes...")));
        QVERIFY(statuts.at(5).endsWith(QStringLiteral(" - Terminé.")));
        QVERIFY(r.erreurs.contains(QStringLiteral("Confirmation: Pas de message (solde) saisi, continuer ? -> oui (--yes)")));
        QVERIFY(journaux().isEmpty());
        QVERIFY(QFileInfo(r.journalAnnulation).isFile());
    }

    // The same job simulated: the first line says so, the figures are those of the run, the
    // exit code too, and the database keeps what it held.
    void simulation()
    {
        ecrire(d(QStringLiteral("clients.csv")), "1\r\n2\r\n3\r\n");
        const QByteArray job = "[Selection]\nrgSource=0\nJvFilenameEdit1=clients.csv\n[Options]\ncbMsg=1\ncbCreate=1\n";
        const Resultat s = lancer(job, {QStringLiteral("--simuler")});
        QCOMPARE(s.code, 0);
        QVERIFY(s.journalAnnulation.isEmpty());   // it rolls back: nothing to undo
        QCOMPARE(s.sortie.value(0), QStringLiteral("Simulation : aucune modification n'est enregistrée."));
        QCOMPARE(s.sortie.mid(1, 3), (QStringList{"Opérations terminées,", "3 clients traités,", "0 erreurs."}));
        QVERIFY(s.sortie.value(4).startsWith(QStringLiteral("Les numéros que la simulation a tirés")));
        const Resultat r = lancer(job);
        QCOMPARE(r.code, 0);
        QCOMPARE(s.sortie.mid(5), r.sortie.mid(3));
        QCOMPARE(r.sortie.mid(3).size(), 2);
        const Resultat deux = lancer(job, {QStringLiteral("--simuler")});
        QCOMPARE(deux.sortie.mid(5), r.sortie.mid(3));   // the real run's rows were kept, the simulation's not
        executer({QStringLiteral("DELETE FROM CLIENTS_MESSAGE"), QStringLiteral("DELETE FROM ECHEANCIER WHERE ECHE_IDACT IS NULL")});
    }

    // The backup asked with the run holds the state before it; a backup refused stops the
    // run before anything changed.
    void sauvegardeAvant()
    {
        const QByteArray job = "[Options]\ncbMsg=1\n";
        const QString fichier = d(QStringLiteral("avant.fbk"));
        const Resultat r = lancer(job, {QStringLiteral("--sauvegarde"), fichier});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.erreurs.contains(QStringLiteral("Sauvegarde terminée : ") + fichier), qPrintable(r.erreurs));
        QCOMPARE(r.sortie.value(0), QStringLiteral("Opérations terminées,"));
        const qint64 messages = compter(m_base.chemin, QStringLiteral("CLIENTS_MESSAGE"));
        QVERIFY(messages > 0);
        const QString restauree = d(QStringLiteral("restauree.fdb"));
        QCOMPARE(QProcess::execute(QStringLiteral("gbak"), {QStringLiteral("-c"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                                            fichier, restauree}),
                 0);
        QCOMPARE(compter(restauree, QStringLiteral("CLIENTS_MESSAGE")), 0);

        const Resultat refus = lancer(job, {QStringLiteral("--sauvegarde"), fichier});   // the file exists
        QCOMPARE(refus.code, 4);
        QVERIFY(refus.sortie.isEmpty());
        QCOMPARE(compter(m_base.chemin, QStringLiteral("CLIENTS_MESSAGE")), messages);
        executer({QStringLiteral("DELETE FROM CLIENTS_MESSAGE")});
    }

    // Failed statements: exit 3, the error lines first on standard output and in a run log.
    void avecErreurs()
    {
        executer(refusMessages());
        const Resultat r = lancer("[Options]\ncbMsg=1\nMemo1=Bonjour\ncbCreate=1\n");
        executer({QStringLiteral("DROP TRIGGER T_REFUS"), QStringLiteral("DROP EXCEPTION E_REFUS")});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.sortie.value(0).startsWith(QStringLiteral("error stmt #1 : \"")), qPrintable(r.sortie.value(0)));
        QCOMPARE(r.sortie.value(1), QStringLiteral("Opérations terminées,"));
        QVERIFY(QRegularExpression(QStringLiteral("^[1-9]\\d* clients traités,$")).match(r.sortie.value(2)).hasMatch());
        QCOMPARE(r.sortie.value(3), QStringLiteral("1 erreurs."));
        QVERIFY(r.sortie.at(4).startsWith(QStringLiteral("mSQL3 ECHEANCIER : ")));
        QCOMPARE(r.sortie.size(), 5);
        const QStringList logs = journaux();
        QCOMPARE(logs.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^Log_Brevan_\\d{6}-\\d{6}\\.log$")).match(logs.at(0)).hasMatch());
        QVERIFY(QDir(d(QStringLiteral("home/.local/share/temp"))).remove(logs.at(0)));
    }

    // A work-table statement refused at the clean-up: exit 5, the text on standard error, the
    // error lines gathered so far still printed.
    void erreurInattendue()
    {
        executer({QStringLiteral("CREATE EXCEPTION E_VERROU 'table de travail verrouillée'"),
                  QStringLiteral("CREATE TRIGGER T_VERROU FOR T_CLIENTS_PRESENTS BEFORE DELETE AS BEGIN EXCEPTION E_VERROU; END")});
        executer(refusMessages());
        const Resultat r = lancer("[Options]\ncbMsg=1\nMemo1=Bonjour\ncbCreate=1\n");
        executer({QStringLiteral("DROP TRIGGER T_REFUS"), QStringLiteral("DROP EXCEPTION E_REFUS"),
                  QStringLiteral("DROP TRIGGER T_VERROU"), QStringLiteral("DROP EXCEPTION E_VERROU"),
                  QStringLiteral("DELETE FROM T_CLIENTS_PRESENTS")});
        QCOMPARE(r.code, 5);
        QVERIFY2(r.erreurs.contains(QStringLiteral("table de travail verrouillée")), qPrintable(r.erreurs));
        QCOMPARE(r.sortie.size(), 1);
        QVERIFY(r.sortie.at(0).startsWith(QStringLiteral("error stmt #1 : ")));
        QCOMPARE(journaux().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCommandeBatch)
#include "tst_commandebatch.moc"
