// The CSV loading sends the numbers in chunks: what a chunk boundary could break (a number
// lost or doubled at an edge, a refused number undoing its neighbours, the count, the order of
// ids). Built twice: on the embedded engine, and through the loopback server (MSP_PAR_SERVEUR).
#include "common/SessionEssai.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "common/RecordingOperator.h"
#include "db/Connexion.h"

#include <QFile>
#include <QTest>

namespace {

constexpr int kBloc = ControleurSelection::NumerosParBloc;

// The file's lines in the set's order: `acceptes` clients (1, 2, …) with a refused number at
// each index of `refuses`. Texts are zero-padded so that text order is the intended order; a
// refused number is "jjj9rrr" after client jjj, a value above every client id of the database.
struct Fichier
{
    QByteArray contenu;
    QList<qint64> clients;   // the accepted ids, in order
};

Fichier fichier(int acceptes, const QList<int>& refuses)
{
    Fichier f;
    int client = 0;
    int suite = 0;   // refused numbers since the last client
    for (int i = 0; i < acceptes + refuses.size(); ++i) {
        const QByteArray prefixe = QByteArray::number(client).rightJustified(3, '0');
        if (refuses.contains(i)) {
            f.contenu += prefixe + '9' + QByteArray::number(suite++).rightJustified(3, '0') + "\r\n";
        } else {
            ++client;
            suite = 0;
            f.contenu += QByteArray::number(client).rightJustified(3, '0') + "\r\n";
            f.clients << client;
        }
    }
    return f;
}

QList<int> plage(int debut, int fin)
{
    QList<int> r;
    for (int i = debut; i < fin; ++i)
        r << i;
    return r;
}

#ifdef MSP_PAR_SERVEUR
QString chaineServeur(const SessionEssai& e)
{
    return qEnvironmentVariable("MSP_FBSERVER") + QLatin1Char(':') + e.chemin;
}
#endif

// Through the loopback server, the session's connection reopened there.
void parServeur([[maybe_unused]] SessionEssai& e)
{
#ifdef MSP_PAR_SERVEUR
    const QString hote = qEnvironmentVariable("MSP_FBSERVER");
    e.parServeur(hote.section(u'/', 0, 0), hote.section(u'/', 1).toInt());
#endif
}

} // namespace

class TestChargement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
#ifdef MSP_PAR_SERVEUR
        QVERIFY2(!qEnvironmentVariable("MSP_FBSERVER").isEmpty(), "MSP_FBSERVER manque");
#endif
    }

    void blocs_data()
    {
        QTest::addColumn<int>("acceptes");
        QTest::addColumn<QList<int>>("refuses");   // indexes in the set's order
        QTest::newRow("one number") << 1 << QList<int>{};
        QTest::newRow("chunk - 1") << kBloc - 1 << QList<int>{};
        QTest::newRow("one chunk") << kBloc << QList<int>{};
        QTest::newRow("chunk + 1") << kBloc + 1 << QList<int>{};
        QTest::newRow("refused first") << 10 << QList<int>{0};
        QTest::newRow("refused mid-chunk") << 300 << QList<int>{kBloc / 2};
        QTest::newRow("refused last of a chunk") << 300 << QList<int>{kBloc - 1};
        QTest::newRow("refused first of the next chunk") << 300 << QList<int>{kBloc};
        QTest::newRow("refused on both sides of a boundary") << 300 << QList<int>{kBloc - 1, kBloc};
        QTest::newRow("a last chunk of one refused number") << kBloc << QList<int>{kBloc};
        QTest::newRow("a whole chunk refused") << kBloc + 1 << plage(kBloc, 2 * kBloc);
        QTest::newRow("only refused numbers") << 0 << QList<int>{0, 1, 2};
    }

    void blocs()
    {
        QFETCH(int, acceptes);
        QFETCH(QList<int>, refuses);
        SessionEssai e;
        parServeur(e);
        e.executer({"INSERT INTO T_CLIENTS_PRESENTS VALUES (-1, 499, 10010, 'ancien')"});
        const Fichier f = fichier(acceptes, refuses);
        QCOMPARE(f.clients.size(), acceptes);
        const QString chemin = e.dossier.filePath(QStringLiteral("clients.csv"));
        QFile sortie(chemin);
        QVERIFY(sortie.open(QIODevice::WriteOnly));
        sortie.write(f.contenu);
        sortie.close();
        const qint64 generateurAvant = e.entier("SELECT GEN_ID(IDTEMPORAIRE, 0) FROM RDB$DATABASE");

        RecordingOperator op;
        ControleurOptions options(e.session, op);
        ControleurSelection selection(e.session, options, op);
        selection.appliquerSource(ControleurSelection::FichierCsv);
        selection.setNomFichier(chemin);
        QCOMPARE(selection.ChargerSelection(), ControleurSelection::Chargement::Pret);

        QVERIFY(op.messages.isEmpty());
        QCOMPARE(selection.NbClients, acceptes);
        QVERIFY(!e.session.trZelto.isActive());
        // Ids ascending follow the set's order, each drawn from the generator during this load.
        QList<qint64> lus;
        for (const QVariant& v : e.colonne("SELECT TCPR_IDCLI FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010 "
                                           "ORDER BY TCPR_ID"))
            lus << v.toLongLong();
        QCOMPARE(lus, f.clients);
        QCOMPARE(e.entier(QStringLiteral("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010 "
                                         "AND (TCPR_ID <= %1 OR TCPR_NOM_PRENOM <> '')")
                              .arg(generateurAvant)),
                 0);
        QVERIFY(e.entier("SELECT GEN_ID(IDTEMPORAIRE, 0) FROM RDB$DATABASE") >= generateurAvant + acceptes);
    }

#ifdef MSP_PAR_SERVEUR
    // The server ends the connection in the middle of the second chunk: the loading stops with
    // the error instead of taking the remaining numbers for refused ones.
    void connexionPerdue()
    {
        SessionEssai e;
        parServeur(e);
        e.executer({QStringLiteral("CREATE TRIGGER T_COUPURE FOR T_CLIENTS_PRESENTS BEFORE INSERT AS BEGIN "
                                   "IF (NEW.TCPR_IDCLI = 300) THEN EXECUTE STATEMENT 'DELETE FROM MON$ATTACHMENTS "
                                   "WHERE MON$ATTACHMENT_ID = ' || CURRENT_CONNECTION WITH AUTONOMOUS TRANSACTION "
                                   "ON EXTERNAL '%1' AS USER 'SYSDBA' PASSWORD '%2'; END")
                        .arg(chaineServeur(e), MotDePasseIntegre(false))});
        const Fichier f = fichier(400, {});
        const QString chemin = e.dossier.filePath(QStringLiteral("clients.csv"));
        QFile sortie(chemin);
        QVERIFY(sortie.open(QIODevice::WriteOnly));
        sortie.write(f.contenu);
        sortie.close();

        RecordingOperator op;
        ControleurOptions options(e.session, op);
        ControleurSelection selection(e.session, options, op);
        selection.appliquerSource(ControleurSelection::FichierCsv);
        selection.setNomFichier(chemin);
        try {
            selection.ChargerSelection();
            QFAIL("the loading went on without its connection");
        } catch (const DbError& erreur) {
            QVERIFY2(erreur.texte().contains(QLatin1String("shutdown")), qPrintable(erreur.texte()));
        }
        QVERIFY(op.messages.isEmpty());
    }
#endif

    void cleanupTestCase() { fb::Client::arreter(); }
};

QTEST_GUILESS_MAIN(TestChargement)
#include "tst_chargement.moc"
