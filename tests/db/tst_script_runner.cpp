// The script runner on a real database: what runs, what is committed or rolled back, what the
// handlers see, and the system's handler of the session.
#include "common/BaseTemporaire.h"
#include "db/Modeles.h"
#include "db/Session.h"

#include <QRegularExpression>
#include <QTest>

namespace {

QString modele()
{
    const QString chemin = qEnvironmentVariable("MSP_TESTDB");
    if (chemin.isEmpty())
        qFatal("MSP_TESTDB is not set");
    return chemin;
}

} // namespace

class TestScriptRunner : public QObject
{
    Q_OBJECT

    std::unique_ptr<BaseTemporaire> m_base;
    std::unique_ptr<Session> m_session;

    // A second attachment sees only what the session committed.
    QStringList lire(const QString& sql)
    {
        fb::Database autre;
        m_base->ouvrir(autre);
        fb::Transaction tr(autre);
        tr.setParams(parametresTransaction());
        tr.start();
        QStringList lignes;
        {
            fb::Query q(autre, tr);
            q.setSql(sql);
            q.execute();
            for (; !q.eof(); q.next()) {
                QStringList valeurs;
                for (int c = 0; c < q.columnCount(); ++c)
                    valeurs << (q.isNull(c) ? QStringLiteral("<null>") : q.asString(c).trimmed());
                lignes << valeurs.join(u'|');
            }
        }
        tr.commit();
        autre.close();
        return lignes;
    }

    void executer(const QString& sql)
    {
        fb::Transaction& tr = m_session->trZelto;
        tr.start();
        tr.executeImmediate(sql);
        tr.commit();
    }

    ScriptRunner& runner() { return m_session->pFIBScripter1; }

private Q_SLOTS:
    void initTestCase()
    {
        m_base = std::make_unique<BaseTemporaire>(modele());
        m_session = std::make_unique<Session>();
        m_base->ouvrir(m_session->dbZelto);
        executer(QStringLiteral("CREATE TABLE SCRIPT_T (A INTEGER, B VARCHAR(40))"));
        executer(QStringLiteral("CREATE EXCEPTION E_SCRIPT_REFUS 'validation refusée'"));
        // Makes a commit fail while the transaction holds the row 666.
        executer(QStringLiteral("CREATE TRIGGER SCRIPT_T_COMMIT ON TRANSACTION COMMIT AS BEGIN "
                                "IF (EXISTS(SELECT 1 FROM SCRIPT_T WHERE A = 666)) THEN EXCEPTION E_SCRIPT_REFUS; END"));
    }

    void init()
    {
        executer(QStringLiteral("DELETE FROM SCRIPT_T"));
        m_session->NbErreurs = 0;
        m_session->mTemp.clear();
        runner().AutoDDL = true;
    }

    void cleanup()
    {
        if (m_session->trZelto.isActive())
            m_session->trZelto.rollback();
    }

    void cleanupTestCase()
    {
        m_session.reset();
        m_base.reset();
        fb::Client::arreter();
    }

    void systeme_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<int>("instructions");
        QTest::addColumn<QList<int>>("erreurs");     // numbers of the failed statements, in order
        QTest::addColumn<bool>("actifApres");        // transaction still active when RunFrom returns
        QTest::addColumn<QStringList>("lignesT");    // SCRIPT_T once what is active is committed

        QTest::newRow("only SET TERM and comments: nothing runs")
            << QStringList{"SET TERM ^ ;", "/* INSERT INTO SCRIPT_T VALUES (1, 'a')^ */", "", "-- ^", "SET TERM ; ^"}
            << 0 << QList<int>{} << false << QStringList{};
        QTest::newRow("failing block is statement 1, COMMIT still runs")
            << QStringList{"SET TERM ^;", "EXECUTE BLOCK AS", "BEGIN", "  INSERT INTO SCRIPT_T VALUES (1, 'a');",
                           "  INSERT INTO NOPE VALUES (1);", "END^", "SET TERM ;^", "",
                           "INSERT INTO SCRIPT_T VALUES (2, 'b');", "COMMIT;"}
            << 3 << QList<int>{1} << false << QStringList{"2|b"};
        QTest::newRow("COMMIT with no active transaction does nothing")
            << QStringList{"COMMIT;", "COMMIT;"} << 2 << QList<int>{} << false << QStringList{};
        QTest::newRow("^ followed by a letter or = does not end a statement")
            << QStringList{"SET TERM ^;", "INSERT INTO SCRIPT_T VALUES (7, 'a')^B^",
                           "INSERT INTO SCRIPT_T SELECT 8, 'b' FROM RDB$DATABASE WHERE 1 ^= 2^", "COMMIT^"}
            << 3 << QList<int>{1} << false << QStringList{"8|b"};
        QTest::newRow("; inside a PSQL block under ^")
            << QStringList{"SET TERM ^;", "EXECUTE BLOCK AS BEGIN", "  INSERT INTO SCRIPT_T VALUES (3, 'c');",
                           "  INSERT INTO SCRIPT_T VALUES (4, 'd');", "END^", "SET TERM ;^"}
            << 1 << QList<int>{} << true << QStringList{"3|c", "4|d"};
        QTest::newRow("quoted text and comments hide terminators")
            << QStringList{"INSERT INTO SCRIPT_T VALUES (9, 'a;b^c'); -- x;", "/* ; */ INSERT INTO SCRIPT_T",
                           "VALUES (10, 'd'' ; e') /* ; */;", "INSERT INTO SCRIPT_T -- l'apostrophe ;",
                           "VALUES (11, \"'\");"}
            << 3 << QList<int>{3} << true << QStringList{"9|a;b^c", "10|d' ; e"};
        QTest::newRow("last statement without terminator runs")
            << QStringList{"INSERT INTO SCRIPT_T VALUES (12, 'x');", "INSERT INTO SCRIPT_T", "VALUES (13, 'y')"}
            << 2 << QList<int>{} << true << QStringList{"12|x", "13|y"};
        QTest::newRow("ROLLBACK undoes, the script goes on")
            << QStringList{"INSERT INTO SCRIPT_T VALUES (14, 'x');", "ROLLBACK;", "ROLLBACK;",
                           "INSERT INTO SCRIPT_T VALUES (15, 'y');", "COMMIT;"}
            << 5 << QList<int>{} << false << QStringList{"15|y"};
        QTest::newRow("a failed COMMIT rolls back whatever the handler says")
            << QStringList{"INSERT INTO SCRIPT_T VALUES (666, 'refus');", "INSERT INTO SCRIPT_T VALUES (16, 'perdu');",
                           "COMMIT;", "INSERT INTO SCRIPT_T VALUES (17, 'gardé');", "COMMIT;"}
            << 5 << QList<int>{3} << false << QStringList{"17|gardé"};
        QTest::newRow("every failure counts once")
            << QStringList{"INSERT INTO NOPE VALUES (1);", "INSERT INTO SCRIPT_T VALUES (18, 'x');",
                           "INSERT INTO SCRIPT_T VALUES ('pas un nombre', 'y');", "SELECT * FROM NOPE2;"}
            << 4 << QList<int>{1, 3, 4} << true << QStringList{"18|x"};
    }

    void systeme()
    {
        QFETCH(QStringList, lignes);
        QFETCH(int, instructions);
        QFETCH(QList<int>, erreurs);
        QFETCH(bool, actifApres);
        QFETCH(QStringList, lignesT);

        runner().setScript(lignes);
        runner().RunFrom(1);
        QCOMPARE(runner().statementCount(), instructions);
        QCOMPARE(m_session->trZelto.isActive(), actifApres);
        QVERIFY(!runner().stopped());
        QCOMPARE(m_session->NbErreurs, int(erreurs.size()));
        QCOMPARE(m_session->mTemp.size(), erreurs.size());
        // One line per failure, the server's lines joined by single spaces.
        static const QRegularExpression forme(QStringLiteral("^error stmt #(\\d+) : \"[^\r\n]+ \"$"));
        for (qsizetype k = 0; k < erreurs.size(); ++k) {
            const QRegularExpressionMatch m = forme.match(m_session->mTemp.at(k));
            QVERIFY2(m.hasMatch(), qPrintable(m_session->mTemp.at(k)));
            QCOMPARE(m.captured(1).toInt(), erreurs.at(k));
        }
        if (m_session->trZelto.isActive())
            m_session->trZelto.commit();
        QCOMPARE(lire(QStringLiteral("SELECT A, B FROM SCRIPT_T ORDER BY B")), lignesT);
    }

    // What a handler of our own sees, and how doRollBack and Stop steer the run.
    void gestionnaire_data()
    {
        QTest::addColumn<bool>("retourArriere");
        QTest::addColumn<bool>("arret");
        QTest::addColumn<QStringList>("lignesT");
        QTest::newRow("go on, keep") << false << false << QStringList{"20", "21"};
        QTest::newRow("go on, roll back") << true << false << QStringList{"21"};
        QTest::newRow("stop, keep") << false << true << QStringList{"20"};
        QTest::newRow("stop, roll back") << true << true << QStringList{};
    }

    void gestionnaire()
    {
        QFETCH(bool, retourArriere);
        QFETCH(bool, arret);
        QFETCH(QStringList, lignesT);

        Session& s = *m_session;
        ScriptRunner propre(s.dbZelto, s.trZelto);
        int appels = 0;
        propre.OnExecuteError = [&](ScriptRunner& sender, int no, int ligne, const QStringList& instruction, int code,
                                    const QString& msg, bool& doRollBack, bool& stop) {
            ++appels;
            QCOMPARE(&sender, &propre);
            QCOMPARE(no, 2);
            QCOMPARE(ligne, 3);
            QCOMPARE(instruction, (QStringList{"INSERT INTO NOPE", "  VALUES (1)"}));
            QCOMPARE(code, -204);
            QVERIFY2(msg.contains(QLatin1String("NOPE")) && msg.endsWith(QLatin1String("\r\n")), qPrintable(msg));
            QVERIFY(!msg.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
            QVERIFY(doRollBack);
            QVERIFY(stop);
            doRollBack = retourArriere;
            stop = arret;
        };
        propre.setScript(QStringList{"INSERT INTO SCRIPT_T VALUES (20, 'x');", "", "INSERT INTO NOPE",
                                     "  VALUES (1);", "INSERT INTO SCRIPT_T VALUES (21, 'y');"});
        propre.RunFrom(1);
        QCOMPARE(appels, 1);
        QCOMPARE(propre.stopped(), arret);
        if (s.trZelto.isActive())
            s.trZelto.commit();
        QCOMPARE(lire(QStringLiteral("SELECT A FROM SCRIPT_T ORDER BY A")), lignesT);
    }

    // With no handler the first failure reaches the caller; nothing is rolled back for it.
    void sansGestionnaire()
    {
        Session& s = *m_session;
        ScriptRunner nu(s.dbZelto, s.trZelto);
        nu.setScript(QStringList{"INSERT INTO SCRIPT_T VALUES (30, 'x');", "INSERT INTO NOPE VALUES (1);",
                                 "INSERT INTO SCRIPT_T VALUES (31, 'y');"});
        QVERIFY_THROWS_EXCEPTION(DbError, nu.RunFrom(1));
        QVERIFY(s.trZelto.isActive());
        s.trZelto.commit();
        QCOMPARE(lire(QStringLiteral("SELECT A FROM SCRIPT_T")), QStringList{"30"});

        // A failed COMMIT reaches the caller too.
        nu.setScript(QStringList{"INSERT INTO SCRIPT_T VALUES (666, 'refus');", "COMMIT;"});
        QVERIFY_THROWS_EXCEPTION(DbError, nu.RunFrom(1));
    }

    // RunFrom(n) starts at statement n; the stop flag is cleared at each run.
    void depuis()
    {
        Session& s = *m_session;
        ScriptRunner r(s.dbZelto, s.trZelto,
                       [](ScriptRunner&, int, int, const QStringList&, int, const QString&, bool&, bool&) {});
        r.setScript(QStringList{"INSERT INTO NOPE VALUES (1);", "INSERT INTO SCRIPT_T VALUES (40, 'x');",
                                "INSERT INTO SCRIPT_T VALUES (41, 'y');"});
        r.RunFrom(1);   // the handler leaves Stop true: statement 2 never runs
        QVERIFY(r.stopped());
        r.RunFrom(3);
        QVERIFY(!r.stopped());
        s.trZelto.commit();
        QCOMPARE(lire(QStringLiteral("SELECT A FROM SCRIPT_T")), QStringList{"41"});
    }

    void autoDDL_data()
    {
        QTest::addColumn<bool>("autoDDL");
        QTest::addColumn<QStringList>("visible");
        QTest::newRow("on: committed at once") << true << QStringList{"1"};
        QTest::newRow("off: left to the caller") << false << QStringList{"0"};
    }

    void autoDDL()
    {
        QFETCH(bool, autoDDL);
        QFETCH(QStringList, visible);
        const QString table = autoDDL ? QStringLiteral("SCRIPT_DDL_ON") : QStringLiteral("SCRIPT_DDL_OFF");
        runner().AutoDDL = autoDDL;
        runner().setScript(QStringList{"CREATE TABLE " + table + " (X INTEGER);"});
        runner().RunFrom(1);
        QCOMPARE(m_session->NbErreurs, 0);
        QCOMPARE(m_session->trZelto.isActive(), !autoDDL);
        QCOMPARE(lire("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '" + table + "'"), visible);
    }

    // The overlap procedure is committed before RunFrom returns: another attachment runs it.
    void procedureChevauchement()
    {
        runner().setScript(TexteModele(QStringLiteral("mSQL_PS1")));
        runner().RunFrom(1);
        QCOMPARE(m_session->mTemp, QStringList{});
        QCOMPARE(runner().statementCount(), 1);
        QVERIFY(!m_session->trZelto.isActive());
        QCOMPARE(lire(QStringLiteral("SELECT COUNT(*) FROM (SELECT * FROM ECHEANCES_DOUBLONS) X")).size(), 1);
        const QStringList source = lire(QStringLiteral(
            "SELECT IIF(POSITION('/* VERSION 0001 (08/04/2020) */' IN RDB$PROCEDURE_SOURCE) > 0, 1, 0) FROM RDB$PROCEDURES "
            "WHERE RDB$PROCEDURE_NAME = 'ECHEANCES_DOUBLONS'"));
        QCOMPARE(source, QStringList{"1"});
    }
};

QTEST_GUILESS_MAIN(TestScriptRunner)
#include "tst_script_runner.moc"
