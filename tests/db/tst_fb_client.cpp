// The client layer on a real database: exact numbers, 8-bit texts, named parameters,
// transactions and the error path.
#include "common/BaseTemporaire.h"

#include <QTest>

#include <csignal>
#include <signal.h>

class TestFbClient : public QObject
{
    Q_OBJECT

    std::unique_ptr<BaseTemporaire> m_base;
    fb::Database m_db;
    fb::Transaction m_tr{m_db};
    QHash<int, void (*)(int)> m_signaux;   // as the program had them before any attachment

    void executer(const QString& sql)
    {
        m_tr.start();
        m_tr.executeImmediate(sql);
        m_tr.commit();
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const int sig : {SIGINT, SIGTERM}) {
            struct sigaction a {};
            ::sigaction(sig, nullptr, &a);
            m_signaux.insert(sig, a.sa_handler);
        }
        m_base = std::make_unique<BaseTemporaire>();
        m_base->ouvrir(m_db);
        m_tr.setParams(parametresTransaction());
        executer(QStringLiteral("CREATE TABLE NOMBRES (ID INTEGER, N152 NUMERIC(15,2), N184 NUMERIC(18,4), "
                                "N93 NUMERIC(9,3), N41 NUMERIC(4,1), D DATE, B BOOLEAN, S SMALLINT, G BIGINT)"));
        executer(QStringLiteral("CREATE TABLE TEXTES (ID INTEGER, V VARCHAR(40), C CHAR(6))"));
    }

    void cleanupTestCase()
    {
        if (m_tr.isActive())
            m_tr.rollback();
        m_db.close();
        fb::Client::arreter();
    }

    void decimaux_data()
    {
        QTest::addColumn<QString>("colonne");
        QTest::addColumn<QString>("litteral");
        QTest::addColumn<qint64>("valeur");
        QTest::addColumn<int>("echelle");
        QTest::addColumn<QString>("texte");

        QTest::newRow("15,2") << "N152" << "1234567890123.45" << Q_INT64_C(123456789012345) << -2 << "1234567890123.45";
        QTest::newRow("15,2 négatif") << "N152" << "-12.34" << Q_INT64_C(-1234) << -2 << "-12.34";
        QTest::newRow("15,2 moins d'un centime") << "N152" << "-0.01" << Q_INT64_C(-1) << -2 << "-0.01";
        QTest::newRow("18,4") << "N184" << "98765432109876.5432" << Q_INT64_C(987654321098765432) << -4
                              << "98765432109876.5432";
        QTest::newRow("18,4 négatif") << "N184" << "-0.0005" << Q_INT64_C(-5) << -4 << "-0.0005";
        QTest::newRow("9,3 sur 32 bits") << "N93" << "-123456.789" << Q_INT64_C(-123456789) << -3 << "-123456.789";
        QTest::newRow("4,1 sur 16 bits") << "N41" << "-123.4" << Q_INT64_C(-1234) << -1 << "-123.4";
        QTest::newRow("entier 64 bits") << "G" << "-9223372036854775807" << Q_INT64_C(-9223372036854775807) << 0
                                        << "-9223372036854775807";
        QTest::newRow("smallint") << "S" << "-32768" << Q_INT64_C(-32768) << 0 << "-32768";
    }

    void decimaux()
    {
        QFETCH(QString, colonne);
        QFETCH(QString, litteral);
        QFETCH(qint64, valeur);
        QFETCH(int, echelle);
        QFETCH(QString, texte);

        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("SELECT CAST(%1 AS %2) FROM RDB$DATABASE")
                     .arg(litteral, colonne == "N152"   ? "NUMERIC(15,2)"
                                    : colonne == "N184" ? "NUMERIC(18,4)"
                                    : colonne == "N93"  ? "NUMERIC(9,3)"
                                    : colonne == "N41"  ? "NUMERIC(4,1)"
                                    : colonne == "S"    ? "SMALLINT"
                                                        : "BIGINT"));
        q.execute();
        QCOMPARE(q.asDecimal(0).valeur, valeur);
        QCOMPARE(q.asDecimal(0).echelle, echelle);
        QCOMPARE(q.asString(0), texte);

        // Written back through a parameter and read from the table: no double on the way.
        q.setSql(QStringLiteral("INSERT INTO NOMBRES (ID, %1) VALUES (1, :V)").arg(colonne));
        q.setParam(QStringLiteral("V"), fb::Decimal{valeur, echelle});
        q.execute();
        q.setSql(QStringLiteral("SELECT %1 FROM NOMBRES WHERE ID = 1").arg(colonne));
        q.execute();
        QCOMPARE(q.asDecimal(0), (fb::Decimal{valeur, echelle}));
        QCOMPARE(q.asInt64(0), echelle == 0 ? valeur : valeur / qint64(std::pow(10, -echelle)));
        q.close();
        m_tr.rollback();
    }

    void textes_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QByteArray>("octets");   // as the server stores them

        QTest::newRow("accent") << QStringLiteral("Réglé à l'été") << QByteArray("R\xe9gl\xe9 \xe0 l'\xe9t\xe9");
        QTest::newRow("euro") << QStringLiteral("12 €") << QByteArray("12 \x80");
        QTest::newRow("apostrophes") << QStringLiteral("l''a 'b'") << QByteArray("l''a 'b'");
        QTest::newRow("guillemets typographiques") << QStringLiteral("« œ » “x”")
                                                   << QByteArray("\xab \x9c \xbb \x93x\x94");
        QTest::newRow("vide") << QString() << QByteArray();
    }

    void textes()
    {
        QFETCH(QString, texte);
        QFETCH(QByteArray, octets);

        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("INSERT INTO TEXTES (ID, V) VALUES (2, :V)"));
        q.setParam(QStringLiteral("V"), texte);
        q.execute();
        q.setSql(QStringLiteral("SELECT V, CHAR_LENGTH(V), OCTET_LENGTH(V) FROM TEXTES WHERE ID = 2"));
        q.execute();
        QCOMPARE(q.asString(0), texte);
        QCOMPARE(q.asInteger(1), int(octets.size()));
        // Byte for byte, as the server sees them: each byte's code read on the server side.
        for (int i = 0; i < octets.size(); ++i) {
            fb::Query o(m_db, m_tr);
            o.setSql(QStringLiteral("SELECT ASCII_VAL(SUBSTRING(V FROM %1 FOR 1)) FROM TEXTES WHERE ID = 2").arg(i + 1));
            o.execute();
            QCOMPARE(o.asInteger(0), int(static_cast<unsigned char>(octets.at(i))));
        }
        m_tr.rollback();
    }

    void charGardeSesEspaces()
    {
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("SELECT CAST('é' AS CHAR(4)), CAST('ab' AS VARCHAR(8)) FROM RDB$DATABASE"));
        q.execute();
        QCOMPARE(q.asString(0), QStringLiteral("é   "));
        QCOMPARE(q.columnType(0), fb::TypeColonne::Texte);
        m_tr.rollback();
    }

    void parametreRepete()
    {
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("SELECT COUNT(*) FROM RDB$DATABASE WHERE (:IDCTR = -1 OR :IDCTR = 1005) AND :autre = 2"));
        QCOMPARE(q.paramNames(), (QStringList{"IDCTR", "autre"}));
        const QList<std::pair<qint64, int>> cas = {{-1, 1}, {1005, 1}, {1004, 0}};
        for (const auto& [centre, attendu] : cas) {
            q.setParam(0, centre);
            q.setParam(QStringLiteral("AUTRE"), 2);
            q.execute();
            QCOMPARE(q.asInteger(0), attendu);
            q.close();
        }
        QVERIFY_THROWS_EXCEPTION(DbError, q.setParam(QStringLiteral("INCONNU"), 1));
        q.release();
        m_tr.rollback();
    }

    void texteTropLong()
    {
        // Beyond 65535 bytes the text would reach the engine with its length wrapped: refused.
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("SELECT CHAR_LENGTH(CAST(:T AS VARCHAR(32000))) FROM RDB$DATABASE"));
        QVERIFY_THROWS_EXCEPTION(DbError, q.setParam(QStringLiteral("T"), QString(65537, QLatin1Char('x'))));
        q.setParam(QStringLiteral("T"), QString(3, QLatin1Char('x')));
        q.execute();
        QCOMPARE(q.asInt64(0), 3);
        q.release();
        m_tr.rollback();
    }

    void datesEtNuls()
    {
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("INSERT INTO NOMBRES (ID, D, B, N152) VALUES (:ID, :D, TRUE, :N)"));
        q.setParam(QStringLiteral("ID"), 7);
        q.setParam(QStringLiteral("D"), QDate(2024, 2, 29));
        q.setParamNull(QStringLiteral("N"));
        q.execute();
        q.setSql(QStringLiteral("SELECT D, B, N152, DATEADD(1 MONTH TO D) FROM NOMBRES WHERE ID = :ID"));
        q.setParam(QStringLiteral("ID"), 7);
        q.execute();
        QCOMPARE(q.asDate(0), QDate(2024, 2, 29));
        QCOMPARE(q.columnType(0), fb::TypeColonne::Date);
        QCOMPARE(q.value(1), QVariant(true));
        QVERIFY(q.isNull(2));
        QCOMPARE(q.asInteger(2), 0);
        QVERIFY(!q.value(2).isValid());
        QCOMPARE(q.asDate(3), QDate(2024, 3, 29));
        QVERIFY(!q.next());
        QVERIFY(q.eof());
        m_tr.rollback();
    }

    void plusieursLignes()
    {
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("SELECT RDB$RELATION_ID FROM RDB$RELATIONS WHERE RDB$RELATION_ID < 5 ORDER BY 1"));
        q.execute();
        QList<int> lus;
        for (; !q.eof(); q.next())
            lus << q.asInteger(0);
        QCOMPARE(lus, (QList<int>{0, 1, 2, 3, 4}));
        // A commit with a cursor still open ends the cursor with the transaction.
        q.execute();
        QVERIFY(q.isOpen());
        m_tr.commit();
        QVERIFY(!q.isOpen());
        // The prepared statement outlives the transaction.
        m_tr.start();
        q.execute();
        QCOMPARE(q.asInteger(0), 0);
        m_tr.rollback();
    }

    void blocExecute()
    {
        // The block's input takes the named parameter; its body's variables stay the engine's.
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("EXECUTE BLOCK (N INTEGER = :N, T VARCHAR(20) = :T) RETURNS (I INTEGER, S VARCHAR(40)) AS\n"
                                "BEGIN\n  I = 0;\n  WHILE (I < :N) DO BEGIN\n    I = I + 1; S = :T || ':' || I;\n"
                                "    SUSPEND;\n  END\nEND"));
        q.setParam(QStringLiteral("N"), 3);
        q.setParam(QStringLiteral("T"), QStringLiteral("é"));
        q.execute();
        QStringList lus;
        for (; !q.eof(); q.next())
            lus << q.asString(1);
        QCOMPARE(lus, (QStringList{"é:1", "é:2", "é:3"}));

        // Sent whole, as scripts send it: the colons inside are not touched.
        m_tr.executeImmediate(QStringLiteral("EXECUTE BLOCK AS DECLARE V INTEGER; BEGIN "
                                             "SELECT COUNT(*) FROM RDB$DATABASE INTO :V; "
                                             "INSERT INTO TEXTES (ID, V) VALUES (:V + 40, 'bloc'); END"));
        m_tr.executeImmediate(QStringLiteral("SELECT * FROM TEXTES"));
        q.setSql(QStringLiteral("SELECT V FROM TEXTES WHERE ID = 41"));
        q.execute();
        QCOMPARE(q.asString(0), QStringLiteral("bloc"));
        m_tr.rollback();
    }

    void procedureExecutable()
    {
        executer(QStringLiteral("CREATE PROCEDURE DOUBLE_DE (X NUMERIC(15,2)) RETURNS (Y NUMERIC(15,2)) AS "
                                "BEGIN Y = X * 2; END"));
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("EXECUTE PROCEDURE DOUBLE_DE(:X)"));
        q.setParam(QStringLiteral("X"), fb::Decimal{-1999, -2});
        q.execute();
        QVERIFY(!q.eof());
        QCOMPARE(q.asDecimal(0).texte(), QStringLiteral("-39.98"));
        QCOMPARE(q.value(0).value<fb::Decimal>(), (fb::Decimal{-3998, -2}));
        QVERIFY(!q.next());
        m_tr.rollback();
    }

    void lectureValideeVoitLAutreConnexion()
    {
        fb::Database autre;
        m_base->ouvrir(autre);
        fb::Transaction trAutre(autre);
        trAutre.setParams(parametresTransaction());

        m_tr.start();   // started before the other attachment commits
        fb::Query lecture(m_db, m_tr);
        lecture.setSql(QStringLiteral("SELECT COUNT(*) FROM TEXTES WHERE ID = 99"));
        lecture.execute();
        QCOMPARE(lecture.asInteger(0), 0);
        lecture.close();

        trAutre.start();
        fb::Query ecriture(autre, trAutre);
        ecriture.setSql(QStringLiteral("INSERT INTO TEXTES (ID, V) VALUES (99, 'x')"));
        ecriture.execute();
        trAutre.commit();

        lecture.execute();
        QCOMPARE(lecture.asInteger(0), 1);
        lecture.close();
        m_tr.rollback();
        executer(QStringLiteral("DELETE FROM TEXTES WHERE ID = 99"));
    }

    void erreurDuServeur_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("sqlCode");
        QTest::addColumn<QString>("extrait");

        QTest::newRow("table inconnue") << "SELECT * FROM NOPE" << -204 << "Table unknown\n-NOPE";
        QTest::newRow("syntaxe") << "SELEC 1 FROM RDB$DATABASE" << -104 << "Token unknown";
        QTest::newRow("conversion") << "SELECT CAST('x' AS INTEGER) FROM RDB$DATABASE" << -413 << "conversion error";
    }

    void erreurDuServeur()
    {
        QFETCH(QString, sql);
        QFETCH(int, sqlCode);
        QFETCH(QString, extrait);
        m_tr.start();
        fb::Query q(m_db, m_tr);
        q.setSql(sql);
        try {
            q.execute();
            QFAIL("aucune erreur");
        } catch (const DbError& e) {
            QCOMPARE(e.sqlCode(), sqlCode);
            QVERIFY2(e.texte().contains(extrait), qPrintable(e.texte()));
            QVERIFY(e.texteCrLf().endsWith("\r\n"));
            QVERIFY(!e.texteCrLf().contains(QRegularExpression("[^\r]\n")));
        }
        // The transaction survives a failed statement.
        QVERIFY(m_tr.isActive());
        q.setSql(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
        q.execute();
        QCOMPARE(q.asInteger(0), 1);
        m_tr.rollback();
    }

    void requeteSansTransaction()
    {
        fb::Query q(m_db, m_tr);
        q.setSql(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
        QVERIFY_THROWS_EXCEPTION(DbError, q.execute());
    }

    void bibliothequeAbsente()
    {
        fb::Database base;
        base.setLibraryName(QStringLiteral("/nulle/part/libfbclient.so.2"));
        base.setDatabaseName(m_base->chemin);
        try {
            base.open();
            QFAIL("ouverte sans bibliothèque");
        } catch (const fb::ErreurChargement& e) {
            QVERIFY2(e.texte().contains("/nulle/part/libfbclient.so.2"), qPrintable(e.texte()));
            QVERIFY2(e.texte().contains("No such file"), qPrintable(e.texte()));
        }
    }

    void bibliothequeSansPointDEntree()
    {
        fb::Database base;
        base.setLibraryName(QStringLiteral("libc.so.6"));
        base.setDatabaseName(m_base->chemin);
        try {
            base.open();
            QFAIL("ouverte sans point d'entrée");
        } catch (const fb::ErreurChargement&) {
            QFAIL("pris pour une bibliothèque absente");
        } catch (const DbError& e) {
            QVERIFY2(e.texte().contains("point d'entrée"), qPrintable(e.texte()));
        }
    }

    void signauxLaissesAuProgramme()
    {
        // Opened in initTestCase: the engine is running in this process.
        QVERIFY(m_db.isOpen());
        for (const int sig : {SIGINT, SIGTERM}) {
            struct sigaction a {};
            QCOMPARE(::sigaction(sig, nullptr, &a), 0);
            QVERIFY2(a.sa_handler == m_signaux.value(sig), qPrintable(QString::number(sig)));
        }
    }

    void fermetureAvecObjetsVivants()
    {
        // Closing the attachment under a live transaction and query frees them first.
        fb::Database base;
        m_base->ouvrir(base);
        fb::Transaction tr(base);
        fb::Query q(base, tr);
        tr.start();
        q.setSql(QStringLiteral("SELECT RDB$RELATION_ID FROM RDB$RELATIONS"));
        q.execute();
        base.close();
        QVERIFY(!tr.isActive());
        QVERIFY(!q.isOpen());
        QVERIFY(!base.isOpen());
        m_base->ouvrir(base);
        tr.start();
        q.execute();
        QVERIFY(!q.eof());
    }

    void rollbackSurAttachementCoupe()
    {
        // The attachment is cut under an open cursor: the roll-back still ends the transaction,
        // so that nothing later uses a handle of the dead attachment.
        fb::Database base;
        m_base->ouvrir(base);
        fb::Transaction tr(base);
        tr.setParams(parametresTransaction());
        fb::Query q(base, tr);
        tr.start();
        q.setSql(QStringLiteral("SELECT CURRENT_CONNECTION FROM RDB$DATABASE"));
        q.execute();
        const qint64 id = q.asInt64(0);
        executer(QStringLiteral("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = %1").arg(id));
        try {
            tr.rollback();
        } catch (const DbError&) {
        }
        QVERIFY(!tr.isActive());
        QVERIFY(!q.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestFbClient)
#include "tst_fb_client.moc"
