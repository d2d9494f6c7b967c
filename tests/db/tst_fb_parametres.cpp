// Named parameters rewritten into the engine's markers, without touching quoted text,
// comments or the engine's own PSQL variables.
#include "db/ParametresNommes.h"

#include <QTest>

class TestFbParametres : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reecriture_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QList<int>>("positions");

        const QString cpt = QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = ?");
        QTest::newRow("un nom") << QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = :IDCTR")
                                << cpt << QStringList{"IDCTR"} << QList<int>{0};
        QTest::newRow("nom répété, casse différente")
            << QStringLiteral("SELECT 1 FROM C WHERE (:IDCTR = -1 OR CLI_CENTRE = :idctr) AND X = :B")
            << QStringLiteral("SELECT 1 FROM C WHERE (? = -1 OR CLI_CENTRE = ?) AND X = ?")
            << QStringList{"IDCTR", "B"} << QList<int>{0, 0, 1};
        QTest::newRow("deux-points dans une chaîne")
            << QStringLiteral("SELECT 'à 10:30 :X' FROM R WHERE A = :A")
            << QStringLiteral("SELECT 'à 10:30 :X' FROM R WHERE A = ?") << QStringList{"A"} << QList<int>{0};
        QTest::newRow("apostrophes doublées")
            << QStringLiteral("SELECT 'l''été :X' , :Y FROM R") << QStringLiteral("SELECT 'l''été :X' , ? FROM R")
            << QStringList{"Y"} << QList<int>{0};
        QTest::newRow("identifiant entre guillemets")
            << QStringLiteral("SELECT \"A:B\" FROM R WHERE C = :C") << QStringLiteral("SELECT \"A:B\" FROM R WHERE C = ?")
            << QStringList{"C"} << QList<int>{0};
        QTest::newRow("commentaire de ligne")
            << QStringLiteral("SELECT A -- filtre :X d'abord\nFROM R WHERE B = :B")
            << QStringLiteral("SELECT A -- filtre :X d'abord\nFROM R WHERE B = ?") << QStringList{"B"} << QList<int>{0};
        QTest::newRow("commentaire de bloc")
            << QStringLiteral("SELECT /* :X 'ouvert */ A FROM R WHERE B = :B")
            << QStringLiteral("SELECT /* :X 'ouvert */ A FROM R WHERE B = ?") << QStringList{"B"} << QList<int>{0};
        QTest::newRow("execute block: déclaration seulement")
            << QStringLiteral("EXECUTE BLOCK (C INTEGER = :CENTRE) RETURNS (N INTEGER) AS\n"
                              "DECLARE V INTEGER;\nBEGIN\n  SELECT COUNT(*) FROM R WHERE X = :C INTO :N;\n"
                              "  V = :N; SUSPEND;\nEND")
            << QStringLiteral("EXECUTE BLOCK (C INTEGER = ?) RETURNS (N INTEGER) AS\n"
                              "DECLARE V INTEGER;\nBEGIN\n  SELECT COUNT(*) FROM R WHERE X = :C INTO :N;\n"
                              "  V = :N; SUSPEND;\nEND")
            << QStringList{"CENTRE"} << QList<int>{0};
        QTest::newRow("execute block sans paramètre")
            << QStringLiteral("execute block as declare i integer; begin select 1 from rdb$database into :i; end")
            << QStringLiteral("execute block as declare i integer; begin select 1 from rdb$database into :i; end")
            << QStringList{} << QList<int>{};
        QTest::newRow("procédure: corps laissé au moteur")
            << QStringLiteral("CREATE OR ALTER PROCEDURE P (A INTEGER) AS BEGIN UPDATE R SET X = :A; END")
            << QStringLiteral("CREATE OR ALTER PROCEDURE P (A INTEGER) AS BEGIN UPDATE R SET X = :A; END")
            << QStringList{} << QList<int>{};
        QTest::newRow("commentaire avant le bloc")
            << QStringLiteral("/* bloc */ -- :X\nEXECUTE BLOCK AS BEGIN UPDATE R SET X = :Y; END")
            << QStringLiteral("/* bloc */ -- :X\nEXECUTE BLOCK AS BEGIN UPDATE R SET X = :Y; END")
            << QStringList{} << QList<int>{};
        QTest::newRow("chaîne non fermée") << QStringLiteral("SELECT ':A") << QStringLiteral("SELECT ':A")
                                           << QStringList{} << QList<int>{};
        QTest::newRow("deux-points après un mot") << QStringLiteral("SELECT A:B, :C FROM R")
                                                   << QStringLiteral("SELECT A:B, ? FROM R") << QStringList{"C"}
                                                   << QList<int>{0};
    }

    void reecriture()
    {
        QFETCH(QString, sql);
        QFETCH(QString, attendu);
        QFETCH(QStringList, noms);
        QFETCH(QList<int>, positions);
        const fb::SqlPositionnel r = fb::versPositionnel(sql);
        QCOMPARE(r.sql, attendu);
        QCOMPARE(r.noms, noms);
        QCOMPARE(r.positions, positions);
    }
};

QTEST_GUILESS_MAIN(TestFbParametres)
#include "tst_fb_parametres.moc"
