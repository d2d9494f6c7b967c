// "--script FILE" end to end: the program started on a configuration root that points at a copy
// of the club test database (embedded access), its output lines and its exit codes.
#include "config/Texte.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

void ecrire(const QString& chemin, const QByteArray& octets)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size())
        qFatal("cannot write %s", qPrintable(chemin));
}

} // namespace

class TestScriptCommande : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString d(const QString& relatif) const { return m_dir.filePath(relatif); }

    // Configuration root with one server entry whose Alias is `base`.
    void configurer(const QString& base)
    {
        const QString conf = QStringLiteral("[Configuration]\nServeur=0\n\n[Serveur0]\nIPServeur=\nPortDonnee=3050\n"
                                            "Temporaire=%1/\nRacine=%2/\nDernier=\nCentre=1001\nAlias=%3\nNom=TEST\n"
                                            "Token=\nNiveauDebug=0\n")
                                 .arg(d(QStringLiteral("temp")), d(QStringLiteral("racine")), base);
        ecrire(d(QStringLiteral("racine/Program/zeltoQ58.conf")), conf.toUtf8());
    }

    struct Resultat
    {
        int code = -1;
        QStringList sortie;
        QString erreurs;
    };

    Resultat lancer(const QString& script)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), d(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), d(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), d(QStringLiteral("home/.local/share")));
        env.insert(QStringLiteral("TEMP"), d(QStringLiteral("temp")));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("MSP_BINARY_DIR") + QStringLiteral("/module-special"),
                {QStringLiteral("--racine"), d(QStringLiteral("racine/Program")), QStringLiteral("--script"), script});
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            qFatal("module-special did not finish");
        }
        Resultat r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.sortie = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        r.erreurs = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir().mkpath(d(QStringLiteral("temp")));
        const QString base = d(QStringLiteral("club.fdb"));
        QVERIFY(QFile::copy(qEnvironmentVariable("MSP_TESTDB"), base));
        QFile::setPermissions(base, QFile::ReadOwner | QFile::WriteOwner);
        configurer(base);
    }

    void executer_data()
    {
        QTest::addColumn<QByteArray>("octets");      // the script file as stored
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("sortie");     // standard output; "error stmt #N" lines by prefix

        QTest::newRow("clean run")
            << QByteArray("CREATE TABLE CMD_T (A INTEGER, B VARCHAR(10));\r\nINSERT INTO CMD_T VALUES (1, 'a');\r\n")
            << 0 << QStringList{"2 statements, 0 errors"};
        QTest::newRow("comments only") << QByteArray("/* rien */\n-- ; ^\nSET TERM ^;\n") << 0
                                       << QStringList{"0 statements, 0 errors"};
        QTest::newRow("a failure and a COMMIT")
            << QByteArray("INSERT INTO NOPE VALUES (1);\nINSERT INTO CMD_T VALUES (2, 'b');\nCOMMIT;")
            << 3 << QStringList{"error stmt #1 : \"", "3 statements, 1 errors"};
        QTest::newRow("CR alone between lines") << QByteArray("INSERT INTO CMD_T VALUES (3, 'c');\rCOMMIT;\r") << 0
                                                << QStringList{"2 statements, 0 errors"};
        // Division by zero unless the literal arrived as the one byte 0xE9.
        QTest::newRow("Windows-1252 file")
            << QByteArray("SELECT 1 / 0 FROM RDB$DATABASE WHERE '\xe9' <> ASCII_CHAR(233);\n") << 0
            << QStringList{"1 statements, 0 errors"};
        QTest::newRow("UTF-8 file")
            << QByteArray("SELECT 1 / 0 FROM RDB$DATABASE WHERE '\xc3\xa9' <> ASCII_CHAR(233);\n") << 0
            << QStringList{"1 statements, 0 errors"};
        QTest::newRow("the committed rows are there")
            << QByteArray("SELECT 1 / 0 FROM RDB$DATABASE WHERE (SELECT LIST(A) FROM (SELECT A FROM CMD_T ORDER BY A)) "
                          "<> '1,2,3';")
            << 0 << QStringList{"1 statements, 0 errors"};
    }

    void executer()
    {
        QFETCH(QByteArray, octets);
        QFETCH(int, code);
        QFETCH(QStringList, sortie);
        const QString script = d(QStringLiteral("script.sql"));
        ecrire(script, octets);
        const Resultat r = lancer(script);
        QVERIFY2(r.code == code, qPrintable(QString::number(r.code) + u' ' + r.sortie.join(u'\n') + u'\n' + r.erreurs));
        QCOMPARE(r.sortie.size(), sortie.size());
        for (qsizetype k = 0; k < sortie.size(); ++k)
            QVERIFY2(r.sortie.at(k).startsWith(sortie.at(k)), qPrintable(r.sortie.at(k)));
    }

    void fichierIlisible()
    {
        const Resultat r = lancer(d(QStringLiteral("absent.sql")));
        QCOMPARE(r.code, 1);
        QVERIFY(r.sortie.isEmpty());
        QVERIFY2(r.erreurs.contains(QLatin1String("absent.sql")), qPrintable(r.erreurs));
    }

    void sansConnexion()
    {
        configurer(d(QStringLiteral("nulle-part.fdb")));
        const QString script = d(QStringLiteral("script.sql"));
        ecrire(script, "SELECT 1 FROM RDB$DATABASE;\n");
        const Resultat r = lancer(script);
        configurer(d(QStringLiteral("club.fdb")));
        QCOMPARE(r.code, 2);
        QVERIFY(r.sortie.isEmpty());
        QVERIFY(!r.erreurs.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScriptCommande)
#include "test_script_commande.moc"
