// Backing the configured database up through the services manager, on a copy of the club test
// database: the file restores with gbak into a database whose content equals the source; an
// existing file, a missing folder and a failing backup each leave what they found. Built twice:
// on the embedded engine, and through the loopback server (MSP_PAR_SERVEUR).
#include "common/BaseTemporaire.h"
#include "config/ConfigPrg.h"
#include "db/Connexion.h"
#include "db/Sauvegarde.h"
#include "db/Services.h"

#include <QDir>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// Host and port of the server under test, empty for the embedded engine.
std::pair<QString, QString> serveur()
{
#ifdef MSP_PAR_SERVEUR
    const QString s = qEnvironmentVariable("MSP_FBSERVER");
    return {s.section(QLatin1Char('/'), 0, 0), s.section(QLatin1Char('/'), 1)};
#else
    return {{}, QStringLiteral("3050")};
#endif
}

// What a database holds: per table, the row count and, per column, how many values are not
// null and the sum of their hashes. Equal fingerprints mean equal content, order aside. A
// failure reads as one line with its text, which no comparison takes for a fingerprint.
QStringList lireEmpreinte(const QString& connexion);

QStringList empreinte(const QString& connexion)
{
    try {
        return lireEmpreinte(connexion);
    } catch (const DbError& e) {
        return {QStringLiteral("erreur : ") + e.texte()};
    }
}

QStringList lireEmpreinte(const QString& connexion)
{
    fb::Database db;
    db.setLibraryName(kBibliotheque);
    db.setDatabaseName(connexion);
    db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=") + MotDePasseIntegre(false),
                  QStringLiteral("lc_ctype=ISO8859_1")});
    db.open();
    fb::Transaction tr(db);
    tr.setParams(parametresTransaction());
    tr.start();
    fb::Query q(db, tr);
    q.setSql(QStringLiteral(
        "SELECT TRIM(R.RDB$RELATION_NAME), TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATIONS R "
        "JOIN RDB$RELATION_FIELDS RF ON RF.RDB$RELATION_NAME = R.RDB$RELATION_NAME "
        "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "WHERE COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0 AND R.RDB$VIEW_BLR IS NULL AND F.RDB$COMPUTED_BLR IS NULL "
        "ORDER BY 1, 2"));
    QMap<QString, QStringList> colonnes;
    for (q.execute(); !q.eof(); q.next())
        colonnes[q.asString(0)] << q.asString(1);
    q.close();
    QStringList lignes;
    for (auto it = colonnes.cbegin(); it != colonnes.cend(); ++it) {
        QStringList termes{QStringLiteral("COUNT(*)")};
        for (const QString& c : it.value())
            termes << QStringLiteral("COUNT(\"%1\")").arg(c) << QStringLiteral("COALESCE(SUM(MOD(HASH(\"%1\"), 1000000007)), 0)").arg(c);
        q.setSql(QStringLiteral("SELECT %1 FROM \"%2\"").arg(termes.join(u','), it.key()));
        q.execute();
        QStringList valeurs;
        for (int k = 0; k < q.columnCount(); ++k)
            valeurs << QString::number(q.asInt64(k));
        q.close();
        lignes << it.key() + u' ' + valeurs.join(u' ');
    }
    q.release();
    tr.commit();
    db.close();
    return lignes;
}

QByteArray contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes to files stop at `octets` for as long as it lives (the process's file size limit;
// the signal that would end the process is ignored meanwhile).
class LimiteFichiers
{
public:
    explicit LimiteFichiers(rlim_t octets)
    {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_ancienne);
        rlimit limite = m_ancienne;
        limite.rlim_cur = octets;
        ::setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteFichiers()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_ancienne);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_ancienne{};
    void (*m_signal)(int) = nullptr;
};

} // namespace

class TestSauvegarde : public QObject
{
    Q_OBJECT

    std::unique_ptr<BaseTemporaire> m_base;
    QTemporaryDir m_sorties;   // backups and restored databases

    QString prefixe() const
    {
        const auto [hote, port] = serveur();
        return hote.isEmpty() ? QString() : hote + u'/' + port + u':';
    }
    QString sortie(const QString& nom) const { return m_sorties.filePath(nom); }

    // Restores `fichier` with Firebird's own gbak into a new database file; its error text,
    // empty when it succeeded.
    QString restaurer(const QString& fichier, const QString& base)
    {
        QProcess gbak;
        gbak.setProcessChannelMode(QProcess::MergedChannels);
        gbak.start(QStringLiteral("gbak"), {QStringLiteral("-c"), QStringLiteral("-user"), QStringLiteral("SYSDBA"), fichier, base});
        if (!gbak.waitForFinished(60000)) {
            gbak.kill();
            gbak.waitForFinished();
            return QStringLiteral("gbak did not finish");
        }
        const QString sortie = QString::fromLocal8Bit(gbak.readAll());
        return gbak.exitStatus() == QProcess::NormalExit && gbak.exitCode() == 0 ? QString() : sortie + QStringLiteral("(gbak failed)");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariable("MSP_TESTDB").isEmpty(), "MSP_TESTDB manque");
#ifdef MSP_PAR_SERVEUR
        QVERIFY2(!serveur().first.isEmpty(), "MSP_FBSERVER manque");
#endif
        QVERIFY(m_sorties.isValid());
        // The server process writes the backups: let it into the folder whoever it runs as.
        QFile::setPermissions(m_sorties.path(), QFileDevice::Permissions(0x7777));
    }

    void init()
    {
        m_base = std::make_unique<BaseTemporaire>(qEnvironmentVariable("MSP_TESTDB"));
        ReinitialiserConfigPrg();
        const auto [hote, port] = serveur();
        ConfigPrg.IPServeur = hote;
        ConfigPrg.PortDonnee = port;
        ConfigPrg.Alias = m_base->chemin;
    }

    void cleanup() { ReinitialiserConfigPrg(); }

    void restaureUneBaseEgale()
    {
        const QStringList avant = empreinte(prefixe() + m_base->chemin);
        QVERIFY(avant.size() >= 10);
        QStringList lignes;
        const QString fichier = sortie(QStringLiteral("club.fbk"));
        const QString fait = SauvegardeBase().sauvegarder(fichier, [&](const QString& l) { lignes << l; });
        QCOMPARE(fait, fichier);
        QVERIFY(QFileInfo(fichier).size() > 0);
        // gbak's verbose lines, one by one, without their line end.
        QVERIFY2(lignes.size() > 20, qPrintable(lignes.join(u'\n')));
        QVERIFY(lignes.first().startsWith(QLatin1String("gbak:")));
        QVERIFY(lignes.last().contains(QLatin1String("finishing")));
        QVERIFY(std::none_of(lignes.cbegin(), lignes.cend(), [](const QString& l) { return l.endsWith(u' ') || l.contains(u'\n'); }));

        const QString restauree = sortie(QStringLiteral("restauree.fdb"));
        const QString erreur = restaurer(fichier, restauree);
        QVERIFY2(erreur.isEmpty(), qPrintable(erreur));
        QCOMPARE(empreinte(restauree), avant);
        QCOMPARE(empreinte(prefixe() + m_base->chemin), avant);
    }

    void refusSansToucher_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::addColumn<QString>("attendu");   // in the message
        QTest::newRow("existing file") << "fichier" << "existe déjà";
        QTest::newRow("dangling link") << "lien" << "existe déjà";
        QTest::newRow("the database itself") << "base" << "existe déjà";
        QTest::newRow("missing folder") << "dossier" << "n'existe pas";
        QTest::newRow("no name") << "vide" << "Aucun fichier";
    }

    void refusSansToucher()
    {
        QFETCH(QString, cas);
        QFETCH(QString, attendu);
        QString fichier = sortie(cas + QStringLiteral(".fbk"));
        const QByteArray ancien = "une sauvegarde précieuse";
        if (cas == QLatin1String("fichier")) {
            QFile f(fichier);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ancien);
        } else if (cas == QLatin1String("lien")) {
            QVERIFY(QFile::link(sortie(QStringLiteral("ailleurs.fbk")), fichier));
        } else if (cas == QLatin1String("base")) {
            fichier = m_base->chemin;
        } else if (cas == QLatin1String("dossier")) {
            fichier = sortie(QStringLiteral("absent/club.fbk"));
        } else {
            fichier = QStringLiteral("  ");
        }
        const QByteArray base = contenu(m_base->chemin);
        bool appele = false;
        try {
            SauvegardeBase().sauvegarder(fichier, [&](const QString&) { appele = true; });
            QFAIL("the backup was not refused");
        } catch (const ErreurSauvegarde& e) {
            QVERIFY2(e.texte().contains(attendu), qPrintable(e.texte()));
        }
        QVERIFY(!appele);   // refused before the server started anything
        QCOMPARE(contenu(m_base->chemin), base);
        if (cas == QLatin1String("fichier"))
            QCOMPARE(contenu(fichier), ancien);
        if (cas == QLatin1String("lien"))
            QVERIFY(!QFileInfo::exists(sortie(QStringLiteral("ailleurs.fbk"))));
        if (cas == QLatin1String("dossier"))
            QVERIFY(!QFileInfo::exists(sortie(QStringLiteral("absent"))));
    }

    void echecDuServeur()
    {
        // The server's own refusal (no such database) comes back with its text; no file stays.
        ConfigPrg.Alias = sortie(QStringLiteral("introuvable.fdb"));
        const QString fichier = sortie(QStringLiteral("introuvable.fbk"));
        try {
            SauvegardeBase().sauvegarder(fichier, {});
            QFAIL("the backup did not fail");
        } catch (const ErreurSauvegarde& e) {
            QVERIFY2(e.texte().startsWith(QStringLiteral("La sauvegarde de la base a échoué :\n")), qPrintable(e.texte()));
            QVERIFY2(e.texte().contains(QLatin1String("introuvable.fdb")), qPrintable(e.texte()));
            QVERIFY(e.sqlCode() != -1);
        }
        QVERIFY(!QFileInfo::exists(fichier));
    }

#ifndef MSP_PAR_SERVEUR
    void echecEnCoursSupprimeLeFichierPartiel()
    {
        // The embedded engine writes the file in this process: a file size limit makes the
        // backup fail part-way, as a full disk would.
        const QStringList avant = empreinte(m_base->chemin);
        {
            // The engine's lock table is mapped at the first attachment; later growth of other
            // files is what the limit stops.
            fb::Database tenue;
            m_base->ouvrir(tenue);
            const QString fichier = sortie(QStringLiteral("partielle.fbk"));
            QStringList lignes;
            QString message;
            {
                LimiteFichiers limite(64 * 1024);
                try {
                    SauvegardeBase().sauvegarder(fichier, [&](const QString& l) { lignes << l; });
                } catch (const ErreurSauvegarde& e) {
                    message = e.texte();
                }
            }
            QVERIFY2(!message.isEmpty(), "the backup did not fail");
            QVERIFY2(!lignes.isEmpty(), "the backup failed before it started");
            // gbak removes its own unfinished file; either way none stays, and the message says so.
            QVERIFY2(message.contains(QStringLiteral("free disk space exhausted")), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("n'est resté")) || message.contains(QStringLiteral("a été supprimé")),
                     qPrintable(message));
            QVERIFY(!QFileInfo::exists(fichier));
        }
        QCOMPARE(empreinte(m_base->chemin), avant);
    }

    void repeteeSansAccroc()
    {
        // The engine was reported to crash after some service backups: many in a row, in one
        // process, each file complete.
        for (int k = 0; k < 8; ++k) {
            const QString fichier = sortie(QStringLiteral("serie-%1.fbk").arg(k));
            SauvegardeBase().sauvegarder(fichier, {});
            QVERIFY(QFileInfo(fichier).size() > 100000);
        }
    }
#endif

    void nomPropose_data()
    {
        QTest::addColumn<QString>("hote");
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("embedded path") << "" << "/data/club/CLUB.FDB" << "/data/club/CLUB_20261210_140509.fbk";
        QTest::newRow("Windows path on a server") << "10.0.0.5" << "D:\\Base\\CLUB.FDB" << "D:\\Base\\CLUB_20261210_140509.fbk";
        QTest::newRow("alias without folder") << "10.0.0.5" << "Q58_GESTION" << "Q58_GESTION_20261210_140509.fbk";
        QTest::newRow("dotted folder, no extension") << "10.0.0.5" << "/srv/v1.2/club" << "/srv/v1.2/club_20261210_140509.fbk";
    }

    void nomPropose()
    {
        QFETCH(QString, hote);
        QFETCH(QString, alias);
        QFETCH(QString, attendu);
        ConfigPrg.IPServeur = hote;
        ConfigPrg.Alias = alias;
        QCOMPARE(SauvegardeBase().nomPropose(QDateTime(QDate(2026, 12, 10), QTime(14, 5, 9))), attendu);
    }

    void cetteMachine_data()
    {
        QTest::addColumn<QString>("hote");
        QTest::addColumn<bool>("local");
        for (const char* h : {"", "localhost", "LocalHost", "127.0.0.1", "127.1.2.3", "::1"})
            QTest::newRow(h) << QString::fromLatin1(h) << true;
        for (const char* h : {"10.0.0.5", "127.0.0.256", "1127.0.0.1", "serveur", "128.0.0.1"})
            QTest::newRow(h) << QString::fromLatin1(h) << false;
    }

    void cetteMachine()
    {
        QFETCH(QString, hote);
        QFETCH(bool, local);
        QCOMPARE(fb::ServiceManager::estCetteMachine(hote), local);
    }
};

QTEST_GUILESS_MAIN(TestSauvegarde)
#include "tst_sauvegarde.moc"
