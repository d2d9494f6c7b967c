// Splitting scripts into statements: texts, kinds, positions, the keyword test, line cutting.
#include "db/ScriptParser.h"
#include "db/ScriptRunner.h"

#include <QTest>

namespace {

// "K:text" per statement, K = S(erver), D(efinition), C(ommit), R(ollback); CR LF between lines.
QStringList resume(const QStringList& lignes)
{
    QStringList r;
    for (const ScriptStatement& st : script::decouper(lignes)) {
        const char* genre = "S";
        switch (st.kind) {
        case StatementKind::Server: genre = "S"; break;
        case StatementKind::Definition: genre = "D"; break;
        case StatementKind::Commit: genre = "C"; break;
        case StatementKind::Rollback: genre = "R"; break;
        case StatementKind::Incomplete: genre = "I"; break;
        }
        r << QLatin1String(genre) + QLatin1Char(':') + script::texteInstruction(lignes, st);
    }
    return r;
}

const QStringList kBlocSousChapeau = {
    QStringLiteral("SET TERM ^;"),
    QStringLiteral("EXECUTE BLOCK"),
    QStringLiteral("AS"),
    QStringLiteral("BEGIN"),
    QStringLiteral("  UPDATE T SET A = 1;"),
    QStringLiteral("END^"),
};

} // namespace

class TestScriptParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decouper_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<QStringList>("attendu");

        const QString bloc = QStringLiteral("EXECUTE BLOCK\r\nAS\r\nBEGIN\r\n  UPDATE T SET A = 1;\r\nEND");

        QTest::newRow("nothing but SET TERM, blanks and comments")
            << QStringList{"SET TERM ^;", "", "-- note ; ^", "/* COMMIT;", "   ^ ; */", "SET TERM ;^", "  "}
            << QStringList{};
        QTest::newRow("block, SET TERM ;^, COMMIT")
            << (kBlocSousChapeau + QStringList{"SET TERM ;^", "", "COMMIT;"}) << QStringList{"S:" + bloc, "C:COMMIT"};
        QTest::newRow("block, SET TERM;^, COMMIT")
            << (kBlocSousChapeau + QStringList{"SET TERM;^", "", "COMMIT;"}) << QStringList{"S:" + bloc, "C:COMMIT"};
        QTest::newRow("SET TERM ^ ; and SET TERM ; ^")
            << QStringList{"SET TERM ^ ;", "SELECT 1 FROM R^", "SET TERM ; ^", "SELECT 2 FROM R;"}
            << QStringList{"S:SELECT 1 FROM R", "S:SELECT 2 FROM R"};
        QTest::newRow("lower case set term and commit")
            << QStringList{"set term ^ ;", "select 1 from r^", "set term ; ^", "commit;"}
            << QStringList{"S:select 1 from r", "C:commit"};
        QTest::newRow("TERM on the line after SET")
            << QStringList{"SET", "  TERM ^ ;", "SELECT 1 FROM R; SELECT 2 FROM R^"}
            << QStringList{"S:SELECT 1 FROM R; SELECT 2 FROM R"};
        QTest::newRow("two-character terminator")
            << QStringList{"SET TERM !! ;", "SELECT 1 FROM R!!", "SELECT 2 FROM R !!"}
            << QStringList{"S:SELECT 1 FROM R", "S:SELECT 2 FROM R "};
        QTest::newRow("back from a two-character terminator")
            << QStringList{"SET TERM !! ;", "SELECT 1 FROM R!!", "SET TERM ;!!", "SELECT 2 FROM R;"}
            << QStringList{"S:SELECT 1 FROM R", "S:SELECT 2 FROM R"};
        QTest::newRow("^ followed by a letter does not end")
            << QStringList{"SET TERM ^;", "SELECT 1^A FROM R^"} << QStringList{"S:SELECT 1^A FROM R"};
        QTest::newRow("; followed by a letter does not end")
            << QStringList{"SELECT 1 FROM R;SELECT 2 FROM R;"} << QStringList{"S:SELECT 1 FROM R;SELECT 2 FROM R"};
        QTest::newRow("terminator followed by a separator ends")
            << QStringList{"SELECT 1 FROM R;-- fin", "SELECT 2 FROM R;/* x */", "SELECT 3 FROM R;,"}
            << QStringList{"S:SELECT 1 FROM R", "S:SELECT 2 FROM R", "S:SELECT 3 FROM R"};
        QTest::newRow("; inside a PSQL block under ^")
            << (kBlocSousChapeau + QStringList{"SET TERM ;^"}) << QStringList{"S:" + bloc};
        QTest::newRow("terminators inside quoted text")
            << QStringList{"INSERT INTO T VALUES ('a; ^', \"b;\");", "SELECT 'it''s;' FROM R;"}
            << QStringList{"S:INSERT INTO T VALUES ('a; ^', \"b;\")", "S:SELECT 'it''s;' FROM R"};
        QTest::newRow("quoted text across lines")
            << QStringList{"INSERT INTO T VALUES ('un;", "deux;');"} << QStringList{"S:INSERT INTO T VALUES ('un;\r\ndeux;')"};
        QTest::newRow("^ inside quoted text and comments under ^")
            << QStringList{"SET TERM ^;", "SELECT '^' /* ^ */ FROM R -- ^", "^"}
            << QStringList{"S:SELECT '^' /* ^ */ FROM R -- ^"};
        QTest::newRow("apostrophe in a line comment opens nothing")
            << QStringList{"UPDATE T SET A = 1 -- ajout d'un message", "WHERE B = 2;", "SELECT 1 FROM R;"}
            << QStringList{"S:UPDATE T SET A = 1 -- ajout d'un message\r\nWHERE B = 2", "S:SELECT 1 FROM R"};
        QTest::newRow("block comment inside a statement across lines")
            << QStringList{"SELECT 1 /* a;", "b; */ FROM R;"} << QStringList{"S:SELECT 1 /* a;\r\nb; */ FROM R"};
        QTest::newRow("comment between statements belongs to none")
            << QStringList{"SELECT 1 FROM R; /* un", "deux */ SELECT 2 FROM R;"}
            << QStringList{"S:SELECT 1 FROM R", "S:SELECT 2 FROM R"};
        QTest::newRow("last statement without terminator")
            << QStringList{"SELECT 1 FROM R;", "DELETE FROM T", "  WHERE A = 1"}
            << QStringList{"S:SELECT 1 FROM R", "S:DELETE FROM T\r\n  WHERE A = 1"};
        QTest::newRow("unterminated quote runs to the end")
            << QStringList{"SELECT 'a;", "b FROM R;"} << QStringList{"S:SELECT 'a;\r\nb FROM R;"};
        QTest::newRow("terminator in column 1 ends on the line before")
            << QStringList{"SELECT 1", "FROM R", ";"} << QStringList{"S:SELECT 1\r\nFROM R"};
        QTest::newRow("separators between statements are skipped")
            << QStringList{", ; ^ } SELECT 1 FROM R;"} << QStringList{"S:SELECT 1 FROM R"};
        QTest::newRow("lone - or / begins a statement")
            << QStringList{"- 1;", "/ 2;"} << QStringList{"S:- 1", "S:/ 2"};
        QTest::newRow("SETTING is no SET")
            << QStringList{"SETTING TERM X;"} << QStringList{"S:SETTING TERM X"};
        QTest::newRow("SET TERM with nothing before the terminator goes to the server")
            << QStringList{"SET TERM ;", "SELECT 1 FROM R;"} << QStringList{"S:SET TERM ", "S:SELECT 1 FROM R"};
        QTest::newRow("SET TERM with a terminator of 33 characters goes to the server")
            << QStringList{"SET TERM " + QString(33, u'!') + ";", "SELECT 1 FROM R;"}
            << QStringList{"S:SET TERM " + QString(33, u'!'), "S:SELECT 1 FROM R"};
        // Never lost: isql stops on these, the runner reports them and goes on.
        QTest::newRow("SET TERM without terminator before a statement")
            << QStringList{"SET TERM ^", "SELECT 1 FROM R^", "SET TERM ;^"} << QStringList{"I:SET TERM ^", "S:SELECT 1 FROM R"};
        QTest::newRow("SET TERM without terminator at the end")
            << QStringList{"SELECT 1 FROM R;", "SET TERM ^"} << QStringList{"S:SELECT 1 FROM R", "I:SET TERM ^"};
        QTest::newRow("comment never closed, between and inside statements")
            << QStringList{"SELECT 1 FROM R; /* a", "SELECT 2 FROM R;"} << QStringList{"S:SELECT 1 FROM R", "I:/* a\r\nSELECT 2 FROM R;"};
        QTest::newRow("kinds")
            << QStringList{"CREATE TABLE T (A INT);", "create or alter procedure P as begin end;",
                           "RECREATE VIEW V AS SELECT 1 FROM R;", "ALTER TABLE T ADD B INT;", "DROP TABLE T;",
                           "COMMENT ON TABLE T IS 'x';", "GRANT SELECT ON T TO PUBLIC;", "REVOKE ALL ON T FROM PUBLIC;",
                           "DECLARE EXTERNAL FUNCTION F;", "SET GENERATOR G TO 5;", "SET\tGENERATOR G TO 5;",
                           "SET STATISTICS INDEX I;", "EXECUTE BLOCK AS BEGIN END;", "COMMIT WORK;", "ROLLBACK;",
                           "COMMITTED;", "CREATED;"}
            << QStringList{"D:CREATE TABLE T (A INT)", "D:create or alter procedure P as begin end",
                           "D:RECREATE VIEW V AS SELECT 1 FROM R", "D:ALTER TABLE T ADD B INT", "D:DROP TABLE T",
                           "D:COMMENT ON TABLE T IS 'x'", "D:GRANT SELECT ON T TO PUBLIC",
                           "D:REVOKE ALL ON T FROM PUBLIC", "D:DECLARE EXTERNAL FUNCTION F", "D:SET GENERATOR G TO 5",
                           "D:SET\tGENERATOR G TO 5", "S:SET STATISTICS INDEX I", "S:EXECUTE BLOCK AS BEGIN END",
                           "C:COMMIT WORK", "R:ROLLBACK", "S:COMMITTED", "S:CREATED"};
        QTest::newRow("empty script") << QStringList{} << QStringList{};
    }

    void decouper()
    {
        QFETCH(QStringList, lignes);
        QFETCH(QStringList, attendu);
        QCOMPARE(resume(lignes), attendu);
    }

    void positions_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<QList<quint32>>("attendu");   // start line, start column, end line, end column, …

        QTest::newRow("same line")
            << QStringList{"  SELECT 1 FROM R;  SELECT 2 FROM R;"} << QList<quint32>{0, 3, 0, 17, 0, 21, 0, 35};
        QTest::newRow("over lines, terminator first on its line")
            << QStringList{"", "SELECT 1", "FROM R", ";"} << QList<quint32>{1, 1, 2, 6};
        QTest::newRow("terminator first after an empty line")
            << QStringList{"SELECT 1 FROM R", "", ";"} << QList<quint32>{0, 1, 1, 0};
        const QString longue(70000, u'x');
        QTest::newRow("columns past 65535")
            << QStringList{"SELECT '" + longue + "' FROM R; SELECT 2 FROM R;"}
            << QList<quint32>{0, 1, 0, 70016, 0, 70019, 0, 70033};
    }

    void positions()
    {
        QFETCH(QStringList, lignes);
        QFETCH(QList<quint32>, attendu);
        QList<quint32> obtenu;
        for (const ScriptStatement& st : script::decouper(lignes))
            obtenu << quint32(st.startLine) << st.startColumn << quint32(st.endLine) << st.endColumn;
        QCOMPARE(obtenu, attendu);
    }

    void motCle_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("motCle");
        QTest::addColumn<bool>("attendu");

        QTest::newRow("end of text") << "END^" << 3 << "^" << true;
        QTest::newRow("letter after") << "1^A" << 1 << "^" << false;
        QTest::newRow("digit after") << "1^2" << 1 << "^" << false;
        QTest::newRow("case ignored") << "sEt TERM" << 0 << "SET" << true;
        QTest::newRow("tab") << "SET\tX" << 0 << "SET" << true;
        QTest::newRow("comma") << "SET,X" << 0 << "SET" << true;
        QTest::newRow("minus") << "SET-X" << 0 << "SET" << true;
        QTest::newRow("slash") << "SET/X" << 0 << "SET" << true;
        QTest::newRow("semicolon") << "TERM;^" << 0 << "TERM" << true;
        QTest::newRow("caret") << "SET^" << 0 << "SET" << true;
        QTest::newRow("brace") << "SET}" << 0 << "SET" << true;
        QTest::newRow("parenthesis is no separator") << "SET(" << 0 << "SET" << false;
        QTest::newRow("underscore is no separator") << "SET_X" << 0 << "SET" << false;
        QTest::newRow("too short") << "SE" << 0 << "SET" << false;
        QTest::newRow("different") << "SAT X" << 0 << "SET" << false;
        QTest::newRow("accented letters by case") << "é;" << 0 << "É" << true;
    }

    void motCle()
    {
        QFETCH(QString, texte);
        QFETCH(int, position);
        QFETCH(QString, motCle);
        QFETCH(bool, attendu);
        QCOMPARE(script::motCleEn(texte, position, motCle), attendu);
    }

    void couperLignes_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QStringList>("attendu");
        QTest::newRow("CR LF") << "a\r\nb" << QStringList{"a", "b"};
        QTest::newRow("LF and CR") << "a\nb\rc" << QStringList{"a", "b", "c"};
        QTest::newRow("final break") << "a\r\n" << QStringList{"a", ""};
        QTest::newRow("CR then CR LF") << "\r\r\n" << QStringList{"", "", ""};
        QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
        QTest::newRow("empty") << "" << QStringList{""};
    }

    void couperLignes()
    {
        QFETCH(QString, texte);
        QFETCH(QStringList, attendu);
        QCOMPARE(script::couperLignes(texte), attendu);
    }

    void ligneErreur_data()
    {
        QTest::addColumn<int>("numero");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("two lines") << 1 << "Dynamic SQL Error\r\n-Table unknown\r\n"
                                   << "error stmt #1 : \"Dynamic SQL Error -Table unknown \"";
        QTest::newRow("lone CR and LF stay") << 12 << "a\rb\nc\r\n" << "error stmt #12 : \"a\rb\nc \"";
        QTest::newRow("CR before CR LF") << 3 << "a\r\r\nb" << "error stmt #3 : \"a\r b\"";
        QTest::newRow("empty message") << 2 << "" << "error stmt #2 : \"\"";
    }

    void ligneErreur()
    {
        QFETCH(int, numero);
        QFETCH(QString, message);
        QFETCH(QString, attendu);
        QCOMPARE(LigneErreurScript(numero, message), attendu);
    }

    // Every parse starts from ";", whatever the previous text left; any change discards the list.
    void reprise()
    {
        ScriptRunner runner;
        runner.setScript(QStringList{"SET TERM ^;", "SELECT 1 FROM R^"});
        QCOMPARE(runner.statementCount(), 1);
        runner.setScript(QStringList{"SELECT 1 FROM R;", "SELECT 2 FROM R;"});
        QVERIFY(!runner.isParsed());
        QCOMPARE(runner.statementCount(), 2);
        QCOMPARE(runner.statementText(2), QStringLiteral("SELECT 2 FROM R"));
        runner.ResetStatements();
        QVERIFY(!runner.isParsed());
        runner.setScript(QStringLiteral("SELECT 1 FROM R;\r\nSELECT 2 FROM R;\nCOMMIT;"));
        QCOMPARE(runner.statementCount(), 3);
        QCOMPARE(runner.statementText(4), QString());
    }
};

QTEST_APPLESS_MAIN(TestScriptParser)
#include "tst_script_parser.moc"
