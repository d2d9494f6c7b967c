// Opening the connection at start on a copy of the club test database: the connection string,
// the client library, the centre number, the title, the context announced to the database,
// and every failure with its messages. Built twice: on the embedded engine, and through the
// loopback server (MSP_PAR_SERVEUR).
#include "common/BaseTemporaire.h"
#include "common/RecordingOperator.h"
#include "config/ConfigPrg.h"
#include "config/Environnement.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QTest>

namespace {

const QString kEchecBase = QStringLiteral("Impossible de se connecter à la base");
const QString kEchecServeur = QStringLiteral("Impossible de se connecter au serveur de données.\r\n\r\n");
const QString kCentreInvalide = QStringLiteral("Configuration non valide\r\n(centre)");

// Host and port of the server under test, empty for the embedded engine.
std::pair<QString, QString> serveur()
{
#ifdef MSP_PAR_SERVEUR
    const QString s = qEnvironmentVariable("MSP_FBSERVER");
    return {s.section(QLatin1Char('/'), 0, 0), s.section(QLatin1Char('/'), 1)};
#else
    return {};
#endif
}

QByteArray depuisHex(const char* hex) { return QByteArray::fromHex(hex); }

} // namespace

class TestConnexion : public QObject
{
    Q_OBJECT

    std::unique_ptr<BaseTemporaire> m_base;

    // A fresh copy of the template, changed by `preparation`, and the configuration that points at it.
    void preparer(const QStringList& preparation)
    {
        m_base = std::make_unique<BaseTemporaire>(qEnvironmentVariable("MSP_TESTDB"));
        if (!preparation.isEmpty()) {
            fb::Database db;
            m_base->ouvrir(db);
            fb::Transaction tr(db);
            for (const QString& sql : preparation) {
                try {
                    tr.start();
                    tr.executeImmediate(sql);
                    tr.commit();
                } catch (const DbError& e) {
                    QFAIL(qPrintable(sql + QLatin1Char('\n') + e.texte()));
                }
            }
        }
        ReinitialiserConfigPrg();
        NumeroModule = 9;
        const auto [hote, port] = serveur();
        ConfigPrg.IPServeur = hote;
        ConfigPrg.PortDonnee = port.isEmpty() ? QStringLiteral("3050") : port;
        ConfigPrg.Alias = m_base->chemin;
        ConfigPrg.Nom = QStringLiteral("LOCAL");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariable("MSP_TESTDB").isEmpty(), "MSP_TESTDB manque");
#ifdef MSP_PAR_SERVEUR
        QVERIFY2(!serveur().first.isEmpty(), "MSP_FBSERVER manque");
#endif
    }

    void cleanup()
    {
        DefinirDossierExecutable(QString());
        ReinitialiserConfigPrg();
    }

    void cleanupTestCase()
    {
        m_base.reset();
        fb::Client::arreter();
    }

    void chaineConnexion_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("serveur") << "10.0.0.5" << "3051" << "D:\\Base\\CLUB.FDB" << "10.0.0.5/3051:D:\\Base\\CLUB.FDB";
        QTest::newRow("défauts") << "127.0.0.1" << "3050" << "Q58_GESTION" << "127.0.0.1/3050:Q58_GESTION";
        QTest::newRow("embarqué") << "" << "3050" << "/srv/club.fdb" << "/srv/club.fdb";
    }

    void chaineConnexion()
    {
        QFETCH(QString, ip);
        QFETCH(QString, port);
        QFETCH(QString, alias);
        QFETCH(QString, attendu);
        ConfigPrg.IPServeur = ip;
        ConfigPrg.PortDonnee = port;
        ConfigPrg.Alias = alias;
        QCOMPARE(ChaineConnexion(), attendu);
    }

    void connexion_data()
    {
        QTest::addColumn<qint64>("centreConfig");
        QTest::addColumn<QStringList>("preparation");
        QTest::addColumn<bool>("reussite");
        QTest::addColumn<int>("centre");
        QTest::addColumn<bool>("avertissement");   // "Configuration non valide" shown
        QTest::addColumn<QString>("erreurContient");   // in MessageErreur; empty: none shown

        // No centre is marked in CENTRE: a configured centre that reached the table would fail.
        const QString aucun = QStringLiteral("UPDATE CENTRE SET CTR_GENERATOR = 0");
        const auto seul = [&](int id) {
            return QStringList{aucun, QStringLiteral("UPDATE OR INSERT INTO CENTRE (CTR_ID, CTR_NOM, CTR_GENERATOR) "
                                                     "VALUES (%1, 'Essai', 5) MATCHING (CTR_ID)")
                                          .arg(id)};
        };
        const QString sansCleVersCentre = QStringLiteral(
            "EXECUTE BLOCK AS DECLARE T VARCHAR(63); DECLARE C VARCHAR(63); BEGIN "
            "FOR SELECT TRIM(F.RDB$RELATION_NAME), TRIM(F.RDB$CONSTRAINT_NAME) FROM RDB$RELATION_CONSTRAINTS F "
            "JOIN RDB$REF_CONSTRAINTS R ON R.RDB$CONSTRAINT_NAME = F.RDB$CONSTRAINT_NAME "
            "JOIN RDB$RELATION_CONSTRAINTS P ON P.RDB$CONSTRAINT_NAME = R.RDB$CONST_NAME_UQ "
            "WHERE P.RDB$RELATION_NAME = 'CENTRE' INTO :T, :C DO "
            "EXECUTE STATEMENT 'ALTER TABLE ' || T || ' DROP CONSTRAINT ' || C; END");
        QTest::newRow("1001 configuré, CENTRE non lu") << qint64(1001) << QStringList{aucun} << true << 1001 << false << "";
        QTest::newRow("-1 lit CENTRE") << qint64(-1) << QStringList{} << true << 1001 << false << "";
        QTest::newRow("-1 lit 1000") << qint64(-1) << seul(1000) << true << 1000 << false << "";
        QTest::newRow("-1 lit 999") << qint64(-1) << seul(999) << false << 0 << true << "";
        QTest::newRow("-1 sans centre marqué") << qint64(-1) << QStringList{aucun} << false << 0 << true << "";
        QTest::newRow("999 configuré") << qint64(999) << QStringList{} << false << 0 << true << "";
        QTest::newRow("0: aucun serveur choisi") << qint64(0) << QStringList{} << false << 0 << true << "";
        QTest::newRow("table CENTRE absente") << qint64(-1) << QStringList{sansCleVersCentre, "DROP TABLE CENTRE"} << false << 0 << false
                                              << "CENTRE";
        QTest::newRow("procédure de contexte absente")
            << qint64(1001) << QStringList{"DROP PROCEDURE CONTEXT_ACTIVATION"} << false << 0 << false
            << "CONTEXT_ACTIVATION";
    }

    void connexion()
    {
        QFETCH(qint64, centreConfig);
        QFETCH(QStringList, preparation);
        QFETCH(bool, reussite);
        QFETCH(int, centre);
        QFETCH(bool, avertissement);
        QFETCH(QString, erreurContient);

        preparer(preparation);
        ConfigPrg.Centre = centreConfig;
        Session session;
        RecordingOperator op;
        QCOMPARE(OuvrirConnexionAuDemarrage(session, op), reussite);
        QCOMPARE(session.centre, centre);

        QCOMPARE(op.textes("messageAvertissement"), avertissement ? QStringList{kCentreInvalide} : QStringList{});
        const QStringList erreurs = op.textes("messageErreur");
        if (erreurContient.isEmpty()) {
            QVERIFY2(erreurs.isEmpty(), qPrintable(erreurs.join('|')));
        } else {
            QCOMPARE(erreurs.size(), 1);
            QVERIFY2(erreurs.at(0).startsWith(kEchecServeur), qPrintable(erreurs.at(0)));
            QVERIFY2(erreurs.at(0).contains(erreurContient), qPrintable(erreurs.at(0)));
            QVERIFY(!erreurs.at(0).contains("Cause possible"));
        }
        QCOMPARE(op.textes("erreur"), reussite ? QStringList{} : QStringList{kEchecBase});

        if (!reussite) {
            QCOMPARE(session.titre(), QStringLiteral("Module spécial"));
            return;
        }
        QCOMPARE(session.titre(),
                 QStringLiteral("Module spécial [%1 - %2 - LOCAL]").arg(centre).arg(serveur().first));
        QVERIFY(session.dbZelto.isOpen());
        QVERIFY(session.trZelto.isActive());

        // What the server saw, recorded by CONTEXT_ACTIVATION for this very attachment.
        fb::Query& q = session.qryLocale;
        q.setSql(QStringLiteral("SELECT CTX_IDEMP, CTX_IDCTR, CTX_APPLICATION, CTX_USER, CTX_CHARSET_ID, "
                                "CTX_ISOLATION_MODE, CTX_LOCK_TIMEOUT, CTX_READ_ONLY, CTX_REMOTE_PROTOCOL "
                                "FROM CONTEXT_LOG WHERE CTX_ATTACHMENT_ID = CURRENT_CONNECTION"));
        q.execute();
        QVERIFY(!q.eof());
        QCOMPARE(q.asInt64(0), 0);
        QCOMPARE(q.asInteger(1), centre);
        QCOMPARE(q.asString(2), QStringLiteral("OUTILS"));
        QCOMPARE(q.asString(3).trimmed(), QStringLiteral("SYSDBA"));
        QCOMPARE(q.asInteger(4), 21);   // ISO8859_1
        QCOMPARE(q.asInteger(5), 2);    // read committed, record version
        QCOMPARE(q.asInteger(6), -1);   // wait
        QCOMPARE(q.asInteger(7), 0);    // read-write
        QCOMPARE(q.isNull(8), serveur().first.isEmpty());   // no protocol in-process
        QVERIFY(!q.next());
        q.close();
        q.release();
    }

    void bibliothequeIllisible()
    {
        preparer({});
        ConfigPrg.Centre = 1001;
        QTemporaryDir racine;
        const QString faux = racine.filePath(fb::Client::nomBibliothequePlateforme());
        QFile f(faux);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("pas une bibliothèque");
        f.close();
        DefinirDossierExecutable(racine.path());
        QCOMPARE(BibliothequeClient(), faux);

        Session session;
        RecordingOperator op;
        QVERIFY(!OuvrirConnexionAuDemarrage(session, op));
        const QStringList erreurs = op.textes("messageErreur");
        QCOMPARE(erreurs.size(), 1);
        QVERIFY2(erreurs.at(0).startsWith(kEchecServeur), qPrintable(erreurs.at(0)));
        QVERIFY2(erreurs.at(0).contains(faux), qPrintable(erreurs.at(0)));
        QVERIFY2(erreurs.at(0).endsWith(QStringLiteral("\r\n\r\nCause possible : fichier \"libfbclient.so.2\" "
                                                       "manquant ou version incorrecte.")),
                 qPrintable(erreurs.at(0)));
        QCOMPARE(op.textes("erreur"), QStringList{kEchecBase});
        QVERIFY(!session.dbZelto.isOpen());
    }

    void bibliothequeParDefaut()
    {
        QTemporaryDir racine;
        DefinirDossierExecutable(racine.path());
        QCOMPARE(BibliothequeClient(), QStringLiteral("libfbclient.so.2"));
    }

    void baseIntrouvable()
    {
        preparer({});
        ConfigPrg.Centre = 1001;
        ConfigPrg.Alias = m_base->dossier.filePath(QStringLiteral("absente.fdb"));
        Session session;
        RecordingOperator op;
        QVERIFY(!OuvrirConnexionAuDemarrage(session, op));
        const QStringList erreurs = op.textes("messageErreur");
        QCOMPARE(erreurs.size(), 1);
        QVERIFY2(erreurs.at(0).startsWith(kEchecServeur + QStringLiteral("I/O error")), qPrintable(erreurs.at(0)));
        QVERIFY(!erreurs.at(0).contains("Cause possible"));
        QVERIFY(!erreurs.at(0).endsWith("\n"));
        QCOMPARE(op.textes("erreur"), QStringList{kEchecBase});
    }

    // The operator must read that the server cannot be reached, not that some file is missing.
    void serveurInjoignable()
    {
        preparer({});
        ConfigPrg.Centre = 1001;
        ConfigPrg.IPServeur = QStringLiteral("127.0.0.1");
        ConfigPrg.PortDonnee = QStringLiteral("1");   // nothing listens there
        Session session;
        RecordingOperator op;
        QVERIFY(!OuvrirConnexionAuDemarrage(session, op));
        const QStringList erreurs = op.textes("messageErreur");
        QCOMPARE(erreurs.size(), 1);
        QVERIFY2(erreurs.at(0).startsWith(kEchecServeur + QStringLiteral("Unable to complete network request to host \"127.0.0.1\"")),
                 qPrintable(erreurs.at(0)));
        QCOMPARE(op.textes("erreur"), QStringList{kEchecBase});
    }

    void reconnexionFermeLaPremiere()
    {
        preparer({});
        ConfigPrg.Centre = 1001;
        Session session;
        RecordingOperator op;
        QVERIFY(ConnecterBase(session, op));
        QVERIFY(ConnecterBase(session, op));
        // One attachment left: the first one was closed before the second was opened.
        fb::Query& q = session.qryLocale;
        q.setSql(QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
                                "AND MON$SYSTEM_FLAG = 0"));
        q.execute();
        QCOMPARE(q.asInteger(0), 0);
        q.close();
        QVERIFY(op.messages.isEmpty());
    }

    void motDePasse()
    {
        const QByteArray clair = depuisHex(MSP_MOT_DE_PASSE_HEX_ATTENDU);
        QCOMPARE(MotDePasseIntegre(false), QString::fromLatin1(clair));
        QCOMPARE(MotDePasseIntegre(false).size(), 11);
        QCOMPARE(MotDePasseIntegre(true).size(), 8);
        QVERIFY(MotDePasseIntegre(true) != MotDePasseIntegre(false).left(8));

        // The library holds the scrambled bytes (position i xor 2 × i), never the clear text.
        QByteArray brouille = clair;
        for (int i = 0; i < brouille.size(); ++i)
            brouille[i] = char(static_cast<unsigned char>(brouille[i]) ^ ((2 * (i + 1)) & 0xFF));
        QFile lib(qEnvironmentVariable("MSP_BINARY_DIR") + QStringLiteral("/libmodule_core.a"));
        QVERIFY2(lib.open(QIODevice::ReadOnly), qPrintable(lib.fileName()));
        const QByteArray contenu = lib.readAll();
        QVERIFY(!contenu.contains(clair));
        QVERIFY(!contenu.contains(clair.toHex()));
        QVERIFY(contenu.contains(brouille));
    }
};

QTEST_GUILESS_MAIN(TestConnexion)
#include "tst_connexion.moc"
