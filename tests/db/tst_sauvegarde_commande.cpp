// "--sauvegarde FICHIER", "--version", "--help" and the usage errors end to end: the program
// started on a configuration root that points at a copy of the club test database (embedded
// access), its output lines and its exit codes.
#include "common/ProgrammeEssai.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestSauvegardeCommande : public QObject
{
    Q_OBJECT

    ProgrammeEssai m_programme;

    QString d(const QString& relatif) const { return m_programme.d(relatif); }
    void configurer(const QString& base) { m_programme.configurer(base); }

    struct Resultat
    {
        int code = -1;
        QStringList sortie;
        QStringList erreurs;
    };

    Resultat lancer(const QStringList& options)
    {
        const ProgrammeEssai::Resultat p = m_programme.lancer(options, 60000);
        return {p.code, p.lignes(), p.erreurs.split(u'\n', Qt::SkipEmptyParts)};
    }

    static QString texte(const Resultat& r)
    {
        return QString::number(r.code) + u'\n' + r.sortie.join(u'\n') + u'\n' + r.erreurs.join(u'\n');
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_programme.dossier.isValid());
        QDir().mkpath(d(QStringLiteral("temp")));
        const QString base = d(QStringLiteral("club.fdb"));
        QVERIFY(QFile::copy(qEnvironmentVariable("MSP_TESTDB"), base));
        QFile::setPermissions(base, QFile::ReadOwner | QFile::WriteOwner);
        configurer(base);
    }

    void sauvegarde()
    {
        const QString fichier = d(QStringLiteral("club.fbk"));
        const Resultat r = lancer({QStringLiteral("--sauvegarde"), fichier});
        QVERIFY2(r.code == 0, qPrintable(texte(r)));
        QCOMPARE(r.sortie.value(r.sortie.size() - 1), QStringLiteral("Sauvegarde terminée : ") + fichier);
        // The progress is gbak's own lines, on standard error.
        QVERIFY2(r.erreurs.size() > 20 && r.erreurs.first().startsWith(QLatin1String("gbak:")), qPrintable(texte(r)));
        QVERIFY(QFileInfo(fichier).size() > 100000);

        // A second time on the same name: refused, the first backup left as it was.
        const QByteArray premiere = [&] {
            QFile f(fichier);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        const Resultat encore = lancer({QStringLiteral("--sauvegarde"), fichier});
        QVERIFY2(encore.code == 4, qPrintable(texte(encore)));
        QVERIFY(encore.sortie.isEmpty());
        QVERIFY2(encore.erreurs.join(u'\n').contains(QStringLiteral("existe déjà")), qPrintable(texte(encore)));
        QFile f(fichier);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), premiere);
    }

    void echecs_data()
    {
        QTest::addColumn<QString>("base");       // the configured Alias
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");    // in standard error
        QTest::newRow("missing folder") << "club.fdb" << "absent/club.fbk" << 4 << "n'existe pas";
        QTest::newRow("no connection") << "nulle-part.fdb" << "b.fbk" << 2 << "Impossible de se connecter à la base";
    }

    void echecs()
    {
        QFETCH(QString, base);
        QFETCH(QString, fichier);
        QFETCH(int, code);
        QFETCH(QString, message);
        configurer(d(base));
        const Resultat r = lancer({QStringLiteral("--sauvegarde"), d(fichier)});
        configurer(d(QStringLiteral("club.fdb")));
        QVERIFY2(r.code == code, qPrintable(texte(r)));
        QVERIFY(r.sortie.isEmpty());
        QVERIFY2(r.erreurs.join(u'\n').contains(message), qPrintable(texte(r)));
        QVERIFY(!QFileInfo::exists(d(fichier)));
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("nomme");   // options named in the message
        QTest::newRow("simulation and backup") << QStringList{"--batch", "job.ini", "--simuler", "--sauvegarde", "b.fbk"}
                                               << QStringList{"--simuler", "--sauvegarde"};
        QTest::newRow("simulation without a run") << QStringList{"--simuler"} << QStringList{"--simuler", "--batch"};
        QTest::newRow("backup and script") << QStringList{"--sauvegarde", "b.fbk", "--script", "s.sql"}
                                           << QStringList{"--script", "--sauvegarde"};
        QTest::newRow("backup without a name") << QStringList{"--sauvegarde"} << QStringList{"--sauvegarde"};
        QTest::newRow("backup with an empty name") << QStringList{"--sauvegarde", ""} << QStringList{"--sauvegarde"};
    }

    void usage()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, nomme);
        const Resultat r = lancer(options);
        QVERIFY2(r.code == 64, qPrintable(texte(r)));
        for (const QString& o : nomme)
            QVERIFY2(r.erreurs.value(0).contains(o), qPrintable(texte(r)));
        QVERIFY(!QFileInfo::exists(d(QStringLiteral("racine/Program/b.fbk"))));
    }

    void versionEtAide()
    {
        const Resultat v = lancer({QStringLiteral("--version")});
        QCOMPARE(v.code, 0);
        QCOMPARE(v.sortie, QStringList{QStringLiteral("module-special 1.1.1.45")});

        const Resultat h = lancer({QStringLiteral("--help")});
        QCOMPARE(h.code, 0);
        for (const char* option : {"--racine", "--config", "--script", "--batch", "--yes", "--simuler", "--sauvegarde",
                                   "--doublons", "--version", "--help"}) {
            const auto lignes = std::count_if(h.sortie.cbegin(), h.sortie.cend(), [&](const QString& l) {
                return l.trimmed().startsWith(QLatin1String(option));
            });
            QVERIFY2(lignes == 1, option);
        }
    }
};

QTEST_GUILESS_MAIN(TestSauvegardeCommande)
#include "tst_sauvegarde_commande.moc"
