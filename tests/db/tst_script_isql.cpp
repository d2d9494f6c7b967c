// The same scripts through our runner and through Firebird's isql, each on a fresh copy of the
// club test database, must leave the same content behind (dumped by isql in both cases).
// The corpus keeps to what both accept: isql refuses "SET TERM;^" (no blank after TERM), drops
// the CR of a line break inside quoted text and leaves a last statement without terminator unrun.
#include "common/BaseTemporaire.h"
#include "db/Modeles.h"
#include "config/Texte.h"
#include "db/ScriptRunner.h"

#include <QDir>
#include <QProcess>
#include <QTest>

namespace {

QString corpus(const QString& nom)
{
    return qEnvironmentVariable("MSP_SOURCE_DIR") + QStringLiteral("/tests/db/test_script_corpus/") + nom;
}

QByteArray lireFichier(const QString& chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(chemin));
    return f.readAll();
}

void ecrireFichier(const QString& chemin, const QByteArray& octets)
{
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size())
        qFatal("cannot write %s", qPrintable(chemin));
}

// isql on the embedded engine, script given as a file (on standard input it loses 8-bit bytes).
QByteArray isql(const QString& base, const QString& script)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                        QStringLiteral("-ch"), QStringLiteral("ISO8859_1"), QStringLiteral("-i"), script,
                                        base});
    if (!p.waitForStarted(10000))
        qFatal("isql-fb cannot be started");
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        qFatal("isql-fb did not finish");
    }
    return p.readAll();
}

} // namespace

class TestScriptIsql : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { fb::Client::arreter(); }

    void memeContenu_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("erreurs");          // failed statements in our run
        QTest::addColumn<QStringList>("dump");     // the queries that read back what the script touched

        const auto fichier = [](const char* nom) { return texte::decoderFichier(lireFichier(corpus(QLatin1String(nom)))); };
        const QString sansCr = QStringLiteral("REPLACE(CAST(RDB$PROCEDURE_SOURCE AS VARCHAR(4000)), ASCII_CHAR(13), '')");

        QTest::newRow("block under SET TERM") << fichier("bloc_set_term.sql") << 0
                                              << QStringList{"SELECT ID, LIB, MONTANT FROM CORPUS_A ORDER BY ID"};
        QTest::newRow("comments and quoted text")
            << fichier("commentaires_citations.sql") << 0
            << QStringList{"SELECT ID, TXT, \"Colonne;Mixte\" FROM CORPUS_B ORDER BY ID"};
        QTest::newRow("definitions and a procedure")
            << fichier("ddl_procedure.sql") << 0
            << QStringList{"SELECT ID, CARRE, SUIVANT FROM CORPUS_C ORDER BY ID",
                           "SELECT ID, CARRE FROM V_CORPUS ORDER BY ID",
                           "SELECT GEN_ID(G_CORPUS, 0) FROM RDB$DATABASE",
                           "SELECT " + sansCr + " FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'P_CORPUS'",
                           "SELECT CAST(RDB$DESCRIPTION AS VARCHAR(100)) FROM RDB$RELATIONS "
                           "WHERE RDB$RELATION_NAME = 'CORPUS_C'"};
        QTest::newRow("errors, COMMIT and ROLLBACK")
            << fichier("erreurs_validation.sql") << 4 << QStringList{"SELECT ID, V FROM CORPUS_D ORDER BY ID"};
        QTest::newRow("message operation on the club tables")
            << fichier("club_message.sql") << 0
            << QStringList{"SELECT CMG_ID, CMG_IDCLI, CMG_IDEMP, CMG_DATE, CMG_MESSAGE, CMG_TYPE, CMG_CREATION, "
                           "CMG_CREATION_IDCTR FROM CLIENTS_MESSAGE WHERE CMG_MESSAGE STARTING WITH 'Corpus' "
                           "ORDER BY CMG_ID",
                           "SELECT COUNT(*) FROM T_CLIENTS_PRESENTS"};
        QTest::newRow("overlap procedure template")
            << TexteModele(QStringLiteral("mSQL_PS1")) << 0
            << QStringList{"SELECT " + sansCr + " FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'ECHEANCES_DOUBLONS'",
                           "SELECT * FROM ECHEANCES_DOUBLONS ORDER BY CLI_ID, ECHE_PROCHAINE, ECHE_DERNIERE"};
    }

    void memeContenu()
    {
        QFETCH(QString, texte);
        QFETCH(int, erreurs);
        QFETCH(QStringList, dump);

        const QString modele = qEnvironmentVariable("MSP_TESTDB");
        QVERIFY(!modele.isEmpty());
        BaseTemporaire nous(modele);
        BaseTemporaire reference(modele);

        // Our run, with a handler that goes on after every failure, as the system's does.
        int echecs = 0;
        QStringList messages;
        {
            fb::Database base;
            nous.ouvrir(base);
            fb::Transaction tr(base);
            tr.setParams(parametresTransaction());
            ScriptRunner runner(base, tr,
                                [&](ScriptRunner&, int no, int, const QStringList&, int, const QString& msg,
                                    bool& doRollBack, bool& stop) {
                                    ++echecs;
                                    messages << LigneErreurScript(no, msg);
                                    doRollBack = false;
                                    stop = false;
                                });
            runner.setScript(texte);
            runner.RunFrom(1);
            if (tr.isActive())
                tr.commit();
            base.close();
        }
        QVERIFY2(echecs == erreurs, qPrintable(messages.join(u'\n')));

        // isql's run: the same text in the workstation's 8-bit code page.
        const QString script = reference.dossier.filePath(QStringLiteral("script.sql"));
        ecrireFichier(script, texte::versCp1252(texte));
        isql(reference.chemin, script);

        const QString requetes = nous.dossier.filePath(QStringLiteral("dump.sql"));
        ecrireFichier(requetes, texte::versCp1252(dump.join(QLatin1String(";\n")) + QLatin1String(";\n")));
        const QByteArray attendu = isql(reference.chemin, requetes);
        const QByteArray obtenu = isql(nous.chemin, requetes);
        QVERIFY2(!attendu.contains("Statement failed") && !attendu.contains("SQLSTATE"), attendu.constData());
        QVERIFY2(attendu.count('\n') > 3 * dump.size(), attendu.constData());
        QCOMPARE(obtenu, attendu);
    }
};

QTEST_GUILESS_MAIN(TestScriptIsql)
#include "tst_script_isql.moc"
