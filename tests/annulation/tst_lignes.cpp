// The capture and the undo on every column type a club database uses, in a table with a
// primary key, one with a compound key and one without (rows by DB_KEY): inserted, updated,
// deleted and rewritten-unchanged rows all come back exactly, on the embedded engine and
// through the loopback server.
#include "annulation/Annulation.h"
#include "annulation/CaptureLignes.h"
#include "annulation/JournalAnnulation.h"
#include "common/SessionEssai.h"

namespace {

const QStringList kTables{QStringLiteral("ESSAI_CLE"), QStringLiteral("ESSAI_SANS_CLE"), QStringLiteral("TRADUCTION")};

// Every cell of every row, exactly, in a stable order.
QStringList contenu(SessionEssai& e)
{
    QStringList r;
    fb::Transaction tr(e.session.dbZelto);
    tr.start();
    for (const QString& t : kTables) {
        fb::Query q(e.session.dbZelto, tr);
        q.setSql(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(t));
        for (q.execute(); !q.eof(); q.next()) {
            QStringList cellules;
            for (int i = 0; i < q.columnCount(); ++i)
                cellules << (q.isNull(i) ? QStringLiteral("<null>") : QString::fromLatin1(q.asExactBytes(i).toHex()));
            r << t + QLatin1Char(':') + cellules.join(QLatin1Char('|'));
        }
        q.close();
    }
    tr.commit();
    return r;
}

class Comptage : public RecepteurLignes
{
public:
    explicit Comptage(RecepteurLignes& suite) : m_suite(suite) {}
    void ligne(const LigneChangee& l) override
    {
        natures[l.table->nom + QLatin1Char(' ') + l.texteCle().left(1)] << int(l.nature);
        m_suite.ligne(l);
    }
    QMap<QString, QList<int>> natures;

private:
    RecepteurLignes& m_suite;
};

} // namespace

class TestLignes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { fb::Client::arreter(); }
    void allerRetour_data();
    void allerRetour();
};

void TestLignes::allerRetour_data()
{
    QTest::addColumn<bool>("parServeur");
    QTest::newRow("embedded") << false;
    QTest::newRow("loopback server") << true;
}

void TestLignes::allerRetour()
{
    QFETCH(bool, parServeur);
    SessionEssai e;
    if (parServeur) {
        const QString serveur = qEnvironmentVariable("MSP_FBSERVER");
        e.parServeur(serveur.section(QLatin1Char('/'), 0, 0), serveur.section(QLatin1Char('/'), 1).toInt());
    }
    const QString colonnes = QStringLiteral("N NUMERIC(15,2), D DATE, T TIMESTAMP, H TIME, C CHAR(4), V VARCHAR(60), "
                                            "B BLOB SUB_TYPE TEXT, O BOOLEAN, F DOUBLE PRECISION, X BLOB SUB_TYPE 0, "
                                            "S SMALLINT, G BIGINT, K CHAR(8) CHARACTER SET OCTETS");
    e.executer({QStringLiteral("CREATE TABLE ESSAI_CLE (ID INTEGER NOT NULL PRIMARY KEY, %1)").arg(colonnes),
                QStringLiteral("CREATE TABLE ESSAI_SANS_CLE (ID INTEGER, %1)").arg(colonnes)});
    const QString valeurs = QStringLiteral(
        "-12.05, DATE '2026-02-28', TIMESTAMP '2026-12-11 10:20:30.1234', TIME '23:59:59.9999', 'ab', "
        "'L''été\nà Noël', 'un texte long\r\nsur deux lignes', TRUE, 0.1, X'00FF7F0A', -32768, 9223372036854775807, "
        "X'8000000001000000'");
    QStringList remplir;
    for (const QString& t : {QStringLiteral("ESSAI_CLE"), QStringLiteral("ESSAI_SANS_CLE")})
        for (int id = 1; id <= 3; ++id)
            remplir << QStringLiteral("INSERT INTO %1 VALUES (%2, %3)").arg(t).arg(id).arg(valeurs);
    e.executer(remplir);
    const QStringList avant = contenu(e);

    fb::Database& db = e.session.dbZelto;
    fb::Transaction& tr = e.session.trZelto;
    // What the capture stands on: beside the open transaction, on the same attachment, a
    // read-only SNAPSHOT started before its writes and a READ COMMITTED one started after
    // both read the rows as they were.
    const auto lireV = [&](fb::Transaction& t) {
        fb::Query q(db, t);
        q.setSql(QStringLiteral("SELECT V FROM ESSAI_CLE WHERE ID = 1"));
        q.execute();
        const QString v = q.asString(0);
        q.close();
        return v;
    };
    fb::Transaction cliche(db), validee(db);
    cliche.setParams({QStringLiteral("read"), QStringLiteral("concurrency")});
    validee.setParams({QStringLiteral("read"), QStringLiteral("nowait"), QStringLiteral("rec_version"), QStringLiteral("read_committed")});
    cliche.start();
    tr.start();
    for (const QString& t : {QStringLiteral("ESSAI_CLE"), QStringLiteral("ESSAI_SANS_CLE")}) {
        tr.executeImmediate(QStringLiteral("UPDATE %1 SET N = 1, D = NULL, T = TIMESTAMP '2027-01-01 00:00:00.0001', "
                                           "H = NULL, C = 'zz', V = 'nouveau', B = NULL, O = FALSE, F = 1e300, X = NULL, "
                                           "S = 0, G = NULL, K = NULL WHERE ID = 1").arg(t));
        tr.executeImmediate(QStringLiteral("DELETE FROM %1 WHERE ID = 2").arg(t));
        tr.executeImmediate(QStringLiteral("UPDATE %1 SET V = V WHERE ID = 3").arg(t));
        tr.executeImmediate(QStringLiteral("INSERT INTO %1 (ID, V) VALUES (4, 'ajouté')").arg(t));
    }
    validee.start();
    QCOMPARE(lireV(tr), QStringLiteral("nouveau"));
    QCOMPARE(lireV(cliche), QStringLiteral("L'été\nà Noël"));
    QCOMPARE(lireV(validee), QStringLiteral("L'été\nà Noël"));
    cliche.commit();
    validee.commit();
    tr.executeImmediate(QStringLiteral("UPDATE TRADUCTION SET TRA_TEXTE = 'changé' WHERE TRA_ID = "
                                       "(SELECT MIN(TRA_ID) FROM TRADUCTION) AND TRA_LANGUE = 'FR'"));

    QTemporaryDir dossier;
    JournalAnnulation journal;
    journal_annulation::EnteteJournal entete;
    entete.creationBase = journal_annulation::CreationBase(db);
    entete.moment = QDateTime(QDate(2026, 12, 11), QTime(9, 30));
    journal.creer(dossier.path(), entete);
    StructuresTables structures(db, tr);
    CaptureLignes capture(db, tr, structures);
    journal.debuterOperation(QStringLiteral("essai"), capture.numeroTransaction(), {});
    Comptage comptage(journal);
    QList<TableTouchee> tables;
    for (const QString& t : kTables)
        tables.append({t, true});
    tables.append({QStringLiteral("T_CLIENTS_PRESENTS"), true});
    QCOMPARE(capture.capturer(tables, comptage), 9);
    journal.terminerOperation();
    tr.commit();
    journal.marquer(true);
    journal.fermer();
    const int A = int(LigneChangee::Nature::Ajout), M = int(LigneChangee::Nature::Modification),
              S = int(LigneChangee::Nature::Suppression);
    QCOMPARE(comptage.natures.value(QStringLiteral("ESSAI_CLE 1")), (QList<int>{M}));
    QCOMPARE(comptage.natures.value(QStringLiteral("ESSAI_CLE 2")), (QList<int>{S}));
    QCOMPARE(comptage.natures.value(QStringLiteral("ESSAI_CLE 3")), (QList<int>{M}));
    QCOMPARE(comptage.natures.value(QStringLiteral("ESSAI_CLE 4")), (QList<int>{A}));
    QCOMPARE(comptage.natures.value(QStringLiteral("ESSAI_SANS_CLE #")).size(), 4);
    QVERIFY(contenu(e) != avant);

    Annulation annulation(db);
    const Annulation::Resultat r = annulation.annuler(journal.chemin(), false);
    QVERIFY2(r.issue == Annulation::Issue::Faite, qPrintable(r.texteEchec()));
    QCOMPARE(r.lignes, 9);
    QCOMPARE(contenu(e), avant);
    // The same journal again: every row it names has changed since.
    const Annulation::Resultat encore = annulation.annuler(journal.chemin(), false);
    QCOMPARE(encore.issue, Annulation::Issue::Refusee);
    QCOMPARE(contenu(e), avant);
}

QTEST_GUILESS_MAIN(TestLignes)
#include "tst_lignes.moc"
