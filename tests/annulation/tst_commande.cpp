// A real run of every operation taken back by "--annuler": the database comes back row by row,
// a second undo and an undo over a row changed since are refused with nothing changed, a file
// of another database or no journal at all is refused, and a run killed at any moment is
// taken back to the state before it, never further.
#include "common/BaseTemporaire.h"
#include "common/ProgrammeEssai.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>

namespace {

const QByteArray kOperations = "[Options]\ncbModifMontant=1\ncbModes4=4\nrgChoix2=1\nedtValeur1=-5\n"
                               "cbIncPrel=1\nedtDateInc=2026-12-01\nedtDate2Inc=2026-12-31\n"
                               "cbMsg=1\nMemo1=Prélèvement reporté\ncbCreate=1\ncbArticle=209\ncbModes=4\n"
                               "edtDateEch=2027-01-05\ncbAnnulation=1\ncbModes2=4\nedtDateAnnul=2026-11-05\n"
                               "cbSolde=1\ncbArticle2=205\nmmoSolde=Solde de %SOLDE remis à zéro\nMessageType=2\n";

class Essai : public ProgrammeEssai
{
public:
    Essai() : base(qEnvironmentVariable("MSP_TESTDB"))
    {
        configurer(base.chemin);
        QByteArray csv;
        fb::Database db;
        base.ouvrir(db);
        {
            fb::Transaction tr(db);
            tr.start();
            fb::Query q(db, tr);
            q.setSql(QStringLiteral("SELECT CLI_ID FROM CLIENTS"));
            for (q.execute(); !q.eof(); q.next())
                csv += QByteArray::number(q.asInt64(0)) + "\r\n";
            q.close();
        }
        db.close();
        ecrire(d(QStringLiteral("clients.csv")), csv);
    }

    Resultat batch(bool multiCentre)
    {
        const QByteArray job = "[Selection]\nrgSource=0\nJvFilenameEdit1=" + d(QStringLiteral("clients.csv")).toUtf8()
                               + "\ncbxMultiCentre=" + (multiCentre ? "1" : "0") + "\n" + kOperations;
        ecrire(d(QStringLiteral("lot.ini")), job);
        return lancer({QStringLiteral("--batch"), d(QStringLiteral("lot.ini")), QStringLiteral("--yes")});
    }

    Resultat annuler(const QString& journal, bool simuler = false)
    {
        QStringList a{QStringLiteral("--annuler"), journal};
        if (simuler)
            a << QStringLiteral("--simuler");
        return lancer(a);
    }

    // The journals written so far, oldest first.
    QStringList journaux() const
    {
        QDir dir(d(QStringLiteral("home/.local/share/module-special/journaux")));
        QStringList r;
        for (const QString& f : dir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
            r << dir.filePath(f);
        return r;
    }

    // Every row of every table of the club's, one text per table (the work table and the
    // connection log, which each start writes, aside).
    QStringList empreinte() const
    {
        fb::Database db;
        base.ouvrir(db);
        fb::Transaction tr(db);
        tr.start();
        QStringList tables;
        {
            fb::Query q(db, tr);
            q.setSql(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 AND "
                                    "RDB$VIEW_BLR IS NULL AND RDB$RELATION_NAME NOT IN ('T_CLIENTS_PRESENTS', 'CONTEXT_LOG') "
                                    "ORDER BY 1"));
            for (q.execute(); !q.eof(); q.next())
                tables << q.asString(0);
            q.close();
        }
        QStringList r;
        for (const QString& t : tables) {
            fb::Query c(db, tr);
            c.setSql(QStringLiteral("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = '%1' "
                                    "ORDER BY RDB$FIELD_POSITION").arg(t));
            QStringList colonnes;
            for (c.execute(); !c.eof(); c.next())
                colonnes << QStringLiteral("COALESCE(CAST(%1 AS VARCHAR(400)), '~')").arg(c.asString(0));
            c.close();
            fb::Query q(db, tr);
            q.setSql(QStringLiteral("SELECT COUNT(*) || '/' || COALESCE(SUM(MOD(HASH(%1), 1000000007)), 0) FROM %2")
                         .arg(colonnes.join(QStringLiteral(" || '|' || ")), t));
            q.execute();
            r << t + QLatin1Char('=') + q.asString(0);
            q.close();
        }
        tr.commit();
        db.close();
        return r;
    }

    void executer(const QString& sql) const
    {
        fb::Database db;
        base.ouvrir(db);
        fb::Transaction tr(db);
        tr.start();
        tr.executeImmediate(sql);
        tr.commit();
        db.close();
    }

    BaseTemporaire base;
};

QString journalDe(const ProgrammeEssai::Resultat& r)
{
    const QRegularExpression l(QStringLiteral("^Journal d'annulation : (.+)$"), QRegularExpression::MultilineOption);
    return l.match(r.sortie).captured(1);
}

} // namespace

class TestCommandeAnnulation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { fb::Client::arreter(); }
    void aller_retour_data();
    void aller_retour();
    void refus_data();
    void refus();
    void arretBrutal_data();
    void arretBrutal();
};

void TestCommandeAnnulation::aller_retour_data()
{
    QTest::addColumn<bool>("multiCentre");
    QTest::newRow("one centre") << false;
    QTest::newRow("Multi Centre") << true;
}

void TestCommandeAnnulation::aller_retour()
{
    QFETCH(bool, multiCentre);
    Essai e;
    const QStringList avant = e.empreinte();
    const auto run = e.batch(multiCentre);
    QVERIFY2(run.code == 0, qPrintable(run.sortie + run.erreurs));
    const QString journal = journalDe(run);
    QVERIFY(QFileInfo(journal).isAbsolute());
    QCOMPARE(QFile::permissions(journal), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    const QStringList apres = e.empreinte();
    QVERIFY(apres != avant);

    // A simulated undo leaves the run's state.
    const auto simule = e.annuler(journal, true);
    QVERIFY2(simule.code == 0, qPrintable(simule.erreurs));
    QCOMPARE(e.empreinte(), apres);

    const auto undo = e.annuler(journal);
    QVERIFY2(undo.code == 0, qPrintable(undo.erreurs));
    const QStringList lignes = undo.lignes();
    QVERIFY(lignes.first().startsWith(QStringLiteral("Annulation du traitement du ")));
    QVERIFY(lignes.last().startsWith(QStringLiteral("Annulation terminée : ")));
    QCOMPARE(lignes.last(), simule.lignes().last());
    QCOMPARE(e.empreinte(), avant);

    // Undone once: its rows have changed since.
    const auto encore = e.annuler(journal);
    QCOMPARE(encore.code, 6);
    QVERIFY(encore.erreurs.contains(QStringLiteral("Annulation refusée")));
    QCOMPARE(e.empreinte(), avant);
}

void TestCommandeAnnulation::refus_data()
{
    QTest::addColumn<QString>("cas");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("a row changed since") << "ligne" << 6 << "ECHEANCIER %1 : modifiée depuis le traitement";
    QTest::newRow("a row deleted since") << "suppression" << 6 << "CLIENTS_MESSAGE %1 : supprimée depuis le traitement";
    QTest::newRow("another database") << "base" << 2 << "celui d'une autre base";
    QTest::newRow("no journal") << "texte" << 1 << "n'est pas un journal d'annulation";
    QTest::newRow("a block that never ends") << "tronque" << 0 << "";
    QTest::newRow("the last commit's mark lost") << "marque" << 0 << "";
}

void TestCommandeAnnulation::refus()
{
    QFETCH(QString, cas);
    QFETCH(int, code);
    QFETCH(QString, message);
    Essai e;
    const QStringList avantRun = e.empreinte();
    const auto run = e.batch(false);
    QVERIFY2(run.code == 0, qPrintable(run.sortie + run.erreurs));
    QString journal = journalDe(run);
    QFile f(journal);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray texte = f.readAll();
    f.close();
    const auto cle = [&](const char* motif) {
        return QRegularExpression(QString::fromLatin1(motif)).match(QString::fromUtf8(texte)).captured(1);
    };
    if (cas == QLatin1String("ligne")) {
        const QString id = cle("UPDATE ECHEANCIER SET .* WHERE ECHE_ID = (\\d+)");
        e.executer(QStringLiteral("UPDATE ECHEANCIER SET ECHE_LIBELLE = 'saisi depuis' WHERE ECHE_ID = %1").arg(id));
        message = message.arg(id);
    } else if (cas == QLatin1String("suppression")) {
        const QString id = cle("DELETE FROM CLIENTS_MESSAGE WHERE CMG_ID = (\\d+)");
        e.executer(QStringLiteral("DELETE FROM CLIENTS_MESSAGE WHERE CMG_ID = %1").arg(id));
        message = message.arg(id);
    } else if (cas == QLatin1String("base")) {
        // Restored from a backup, the same data is another database: a new creation moment, and
        // every record renumbered.
        const QString sauvegarde = e.d(QStringLiteral("base.fbk"));
        QCOMPARE(QProcess::execute(QStringLiteral("gbak"), {QStringLiteral("-b"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                                            e.base.chemin, sauvegarde}), 0);
        QCOMPARE(QProcess::execute(QStringLiteral("gbak"), {QStringLiteral("-rep"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                                            sauvegarde, e.base.chemin}), 0);
    } else if (cas == QLatin1String("texte")) {
        journal = e.d(QStringLiteral("notes.sql"));
        e.ecrire(journal, "-- des notes\nUPDATE ECHEANCIER SET ECHE_MONTANT = 0;\n");
    } else if (cas == QLatin1String("tronque")) {
        // Killed while it wrote: the last block has no end line and never reached its commit.
        const qsizetype fin = texte.lastIndexOf("-- Fin de l'op");
        e.ecrire(journal, texte.left(fin - 40));
    } else if (cas == QLatin1String("marque")) {
        // Killed between the commit and its mark: the block's rows tell that it committed.
        e.ecrire(journal, texte.left(texte.lastIndexOf("-- Valid")));
    }
    const QStringList avant = cas == QLatin1String("base") ? QStringList() : e.empreinte();
    const auto undo = e.annuler(journal);
    QVERIFY2(undo.code == code, qPrintable(QString::number(undo.code) + undo.sortie + undo.erreurs));
    QVERIFY2(undo.erreurs.contains(message), qPrintable(undo.erreurs));
    if (code != 0 && cas != QLatin1String("base"))
        QCOMPARE(e.empreinte(), avant);
    if (cas == QLatin1String("marque"))
        QCOMPARE(e.empreinte(), avantRun);
}

void TestCommandeAnnulation::arretBrutal_data()
{
    // Killed after the k-th status line, or as soon as the n-th block is on disk (between its
    // flush and its commit, or just after the commit).
    QTest::addColumn<int>("statut");
    QTest::addColumn<int>("bloc");
    QTest::newRow("at the selection's load") << 1 << 0;
    QTest::newRow("during the third operation") << 4 << 0;
    QTest::newRow("during the last operation") << 7 << 0;
    QTest::newRow("first block on disk") << 0 << 1;
    QTest::newRow("fourth block on disk") << 0 << 4;
}

void TestCommandeAnnulation::arretBrutal()
{
    QFETCH(int, statut);
    QFETCH(int, bloc);
    Essai e;
    const QStringList avant = e.empreinte();
    e.ecrire(e.d(QStringLiteral("lot.ini")), "[Selection]\nrgSource=0\nJvFilenameEdit1=" + e.d(QStringLiteral("clients.csv")).toUtf8()
                                                 + "\n" + kOperations);
    QProcess p;
    e.demarrer(p, {QStringLiteral("--batch"), e.d(QStringLiteral("lot.ini")), QStringLiteral("--yes")});
    QVERIFY(p.waitForStarted());
    QElapsedTimer t;
    t.start();
    QByteArray erreurs;
    for (bool fini = false; !fini && t.elapsed() < 60000;) {
        p.waitForReadyRead(1);
        erreurs += p.readAllStandardError();
        if (statut > 0 && erreurs.count('\n') >= statut)
            fini = true;
        if (bloc > 0 && !e.journaux().isEmpty()) {
            QFile j(e.journaux().first());
            if (j.open(QIODevice::ReadOnly) && j.readAll().count("\n-- Fin de l'op") >= bloc)
                fini = true;
        }
        if (p.state() == QProcess::NotRunning)
            break;
    }
    ::kill(pid_t(p.processId()), SIGKILL);
    p.waitForFinished();
    if (!e.journaux().isEmpty()) {
        const auto undo = e.annuler(e.journaux().first());
        QVERIFY2(undo.code == 0, qPrintable(undo.sortie + undo.erreurs));
    }
    QCOMPARE(e.empreinte(), avant);
}

QTEST_GUILESS_MAIN(TestCommandeAnnulation)
#include "tst_commande.moc"
