// "--script FILE" end to end: the program started on a configuration root that points at a copy
// of the club test database (embedded access), its output lines and its exit codes.
#include "common/ProgrammeEssai.h"
#include "config/Texte.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>


class TestScriptCommande : public QObject
{
    Q_OBJECT

    ProgrammeEssai m_programme;

    QString d(const QString& relatif) const { return m_programme.d(relatif); }
    void configurer(const QString& base) { m_programme.configurer(base); }
    static void ecrire(const QString& chemin, const QByteArray& octets) { ProgrammeEssai::ecrire(chemin, octets); }

    struct Resultat
    {
        int code = -1;
        QStringList sortie;
        QString erreurs;
    };

    Resultat lancer(const QString& script)
    {
        const ProgrammeEssai::Resultat p = m_programme.lancer({QStringLiteral("--script"), script}, 60000);
        return {p.code, p.lignes(), p.erreurs};
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
#include "tst_script_commande.moc"
