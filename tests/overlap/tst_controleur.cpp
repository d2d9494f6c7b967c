// The overlap page's controller on the club test database: the rows of each overlap case,
// the count, the procedure recreated on each entry, its failures, sorting on the server,
// the batches of the lazily fetched dataset, the export, and the server killed between two entries.
#include "CasDoublons.h"
#include "common/SessionEssai.h"
#include "common/RecordingOperator.h"
#include "common/ServeurPrive.h"
#include "overlap/ControleurDoublons.h"
#include "overlap/Echeances.h"
#include "overlap/ModeleEcheances.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

struct Page
{
    SessionEssai e;
    RecordingOperator op;
    ControleurDoublons controleur{e.session, op};
    ModeleEcheances& modele = controleur.idsEcheances();

    void toutLire()
    {
        while (modele.canFetchMore(QModelIndex()))
            modele.fetchMore(QModelIndex());
    }
    QVariant v(int ligne, int colonne) const { return modele.data(modele.index(ligne, colonne), Qt::EditRole); }
    // Every row as text, in the model's order.
    QStringList lignes()
    {
        toutLire();
        QStringList r;
        for (int i = 0; i < modele.rowCount(); ++i) {
            QStringList champs;
            for (int c = 0; c < modele.columnCount(); ++c)
                champs << v(i, c).toString();
            r << champs.join(u'|');
        }
        return r;
    }
};

} // namespace

class TestControleurDoublons : public QObject
{
    Q_OBJECT

    std::unique_ptr<Page> m_page;   // entered once for the data-driven cases
    QList<cas::Attendu> m_attendus;

private Q_SLOTS:
    void initTestCase()
    {
        m_page = std::make_unique<Page>();
        const QDate debutCas = m_page->e.colonne(QLatin1String(cas::kSqlDebutCas)).value(0).toDate();
        QVERIFY(debutCas.isValid());
        m_attendus = cas::attendus(debutCas);
        m_page->e.executer(cas::sansActivite(debutCas));
        QCOMPARE(m_page->controleur.label13(), QStringLiteral("Echéances dont les dates se chevauchent"));
        m_page->controleur.entrer();
        QVERIFY2(m_page->op.messages.isEmpty(), qPrintable(m_page->op.textes("erreur").join(u'\n')));
        QCOMPARE(m_page->e.session.NbErreurs, 0);
        m_page->toutLire();
    }

    void colonnesEtCompte()
    {
        ModeleEcheances& m = m_page->modele;
        QStringList titres;
        for (int c = 0; c < m.columnCount(); ++c)
            titres << m.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titres, QStringList({"NUMERO_CLIENT", "NOM_CLIENT", "PRENOM_CLIENT", "ACCES", "FIN_ECHEANCE_PRECEDENTE",
                                      "ECHEANCE_PROCHAINE", "ECHEANCE_DERNIERE"}));
        QVERIFY(m.rowCount() > 10);
        QCOMPARE(m_page->controleur.label13(), QStringLiteral("Echéances dont les dates se chevauchent :%1").arg(m.rowCount()));
        QCOMPARE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable, Qt::NoItemFlags);
    }

    void cas_data()
    {
        QTest::addColumn<qint64>("client");
        QTest::addColumn<QStringList>("attendu");
        for (const cas::Attendu& a : std::as_const(m_attendus))
            QTest::newRow(a.nom) << a.client << a.lignes;
    }

    void cas()
    {
        QFETCH(qint64, client);
        QFETCH(QStringList, attendu);
        ModeleEcheances& m = m_page->modele;
        QStringList lignes;
        for (int i = 0; i < m.rowCount(); ++i) {
            const QVariant id = m_page->v(i, 0);
            // The id travels as a 64-bit integer: above 2^53 a double would change it.
            QCOMPARE(id.typeId(), int(QMetaType::LongLong));
            if (id.toLongLong() != client)
                continue;
            QCOMPARE(m_page->v(i, 1).toString().left(13), QStringLiteral("Chevauchement"));
            QCOMPARE(m_page->v(i, 4).typeId(), int(QMetaType::QDate));
            lignes << QStringList{m_page->v(i, 3).toString(), cas::d(m_page->v(i, 4).toDate()),
                                  cas::d(m_page->v(i, 5).toDate()), cas::d(m_page->v(i, 6).toDate())}
                          .join(u'|');
        }
        lignes.sort();
        QCOMPARE(lignes, attendu);
    }

    void sansChevauchement()
    {
        Page p;
        p.e.executer({QStringLiteral("UPDATE ECHEANCIER SET ECHE_VENTE = 0")});
        p.controleur.entrer();
        QCOMPARE(p.modele.rowCount(), 0);
        QCOMPARE(p.modele.columnCount(), 7);
        QCOMPARE(p.controleur.label13(), QStringLiteral("Echéances dont les dates se chevauchent :0"));
        QVERIFY(p.op.messages.isEmpty());
    }

    void chaqueEntreeRecreeLaProcedure()
    {
        Page p;
        p.controleur.entrer();
        const QStringList premiere = p.lignes();
        p.controleur.quitter();
        QCOMPARE(p.modele.rowCount(), 0);
        QVERIFY(!p.e.session.trZelto.isActive());
        p.e.executer({cas::procedureAncienne()});
        p.controleur.entrer();
        QCOMPARE(p.lignes(), premiere);
        QCOMPARE(p.controleur.label13(), TexteLabel13(premiere.size()));
        QVERIFY(p.e.colonne(QStringLiteral("SELECT RDB$PROCEDURE_SOURCE FROM RDB$PROCEDURES "
                                           "WHERE RDB$PROCEDURE_NAME = 'ECHEANCES_DOUBLONS'"))
                    .value(0)
                    .toString()
                    .contains(QLatin1String("/* VERSION 0001 (08/04/2020) */")));
    }

    void creationRefusee_data()
    {
        QTest::addColumn<bool>("ancienne");   // a procedure of that name is already there
        QTest::newRow("no procedure yet") << false;
        QTest::newRow("an older procedure") << true;
    }

    void creationRefusee()
    {
        QFETCH(bool, ancienne);
        Page p;
        if (ancienne)
            p.e.executer({cas::procedureAncienne()});
        for (const QString& sql : cas::refusDefinitions())
            p.e.executer({sql});
        p.controleur.entrer();
        // The runner's report has the failure; the page went on with what the database holds.
        QCOMPARE(p.e.session.NbErreurs, 1);
        QVERIFY2(p.e.session.mTemp.value(0).startsWith(QLatin1String("error stmt #1 : \""))
                     && p.e.session.mTemp.value(0).contains(QStringLiteral("Définitions refusées")),
                 qPrintable(p.e.session.mTemp.join(u'\n')));
        if (ancienne) {
            QVERIFY(p.op.messages.isEmpty());
            QCOMPARE(p.lignes().size(), 1);
            QCOMPARE(p.v(0, 0).toLongLong(), -7);
            QCOMPARE(p.v(0, 5).toDate(), QDate(2001, 2, 3));
            QVERIFY(!p.v(0, 2).isValid());   // NULL: nothing to show
            QCOMPARE(p.controleur.label13(), QStringLiteral("Echéances dont les dates se chevauchent :1"));
        } else {
            const QStringList erreurs = p.op.textes("erreur");
            QCOMPARE(erreurs.size(), 1);
            QVERIFY2(erreurs.at(0).contains(QLatin1String("ECHEANCES_DOUBLONS")), qPrintable(erreurs.at(0)));
            QCOMPARE(p.modele.rowCount(), 0);
            QCOMPARE(p.modele.columnCount(), 0);
            QCOMPARE(p.controleur.label13(), QStringLiteral("Echéances dont les dates se chevauchent"));
        }
    }

    void lectureInterrompue()
    {
        Page p;
        p.e.executer({cas::procedureAncienne(true)});
        for (const QString& sql : cas::refusDefinitions())
            p.e.executer({sql});
        p.modele.setTailleLot(1);
        p.controleur.entrer();
        // The dataset opened; the count ran into the failure and left the label alone.
        QCOMPARE(p.modele.rowCount(), 1);
        QCOMPARE(p.op.textes("erreur").size(), 1);
        QCOMPARE(p.controleur.label13(), QStringLiteral("Echéances dont les dates se chevauchent"));
        p.toutLire();
        QCoreApplication::processEvents();
        QCOMPARE(p.modele.rowCount(), 2);
        QVERIFY(!p.modele.canFetchMore(QModelIndex()));
        const QStringList erreurs = p.op.textes("erreur");
        QCOMPARE(erreurs.size(), 2);
        QVERIFY2(erreurs.at(1).contains(QLatin1String("divide by zero"), Qt::CaseInsensitive)
                     || erreurs.at(1).contains(QLatin1String("Arithmetic"), Qt::CaseInsensitive),
                 qPrintable(erreurs.at(1)));
    }

    // The server dies while the page is left: the next entry shows the read error, the one after
    // it tries a new attachment (refused while the server is down), and once the server is back
    // the page reads again without the program being restarted.
    void serveurTueEntreDeuxEntrees()
    {
        QTemporaryDir dossier;
        ServeurPrive serveur(dossier.filePath(QStringLiteral("serveur")), 3063);
        QVERIFY(serveur.demarrer());
        Page p;
        p.e.parServeur(QStringLiteral("127.0.0.1"), serveur.port());
        p.controleur.entrer();
        const QStringList lignes = p.lignes();
        QVERIFY(!lignes.isEmpty());
        QVERIFY(p.op.messages.isEmpty());
        p.controleur.quitter();

        QVERIFY(serveur.tuer());
        QTest::qWait(200);
        p.controleur.entrer();
        QVERIFY(!p.op.textes("erreur").isEmpty());
        QCOMPARE(p.modele.rowCount(), 0);
        p.controleur.quitter();

        p.op.messages.clear();
        p.controleur.entrer();
        QCOMPARE(p.op.messages.size(), 1);
        QCOMPARE(p.op.messages.at(0).genre, QStringLiteral("messageErreur"));
        QVERIFY(p.op.messages.at(0).texte.startsWith(QStringLiteral("Impossible de se connecter au serveur de données.")));
        p.controleur.quitter();

        QVERIFY(serveur.demarrer());
        p.op.messages.clear();
        p.controleur.entrer();
        QVERIFY2(p.op.messages.isEmpty(), qPrintable(p.op.messages.value(0).texte));
        QCOMPARE(p.lignes(), lignes);
        QCOMPARE(p.controleur.label13(), TexteLabel13(lignes.size()));
        p.controleur.quitter();
    }

    void tri()
    {
        Page p;
        p.controleur.entrer();
        const QStringList serveur = p.lignes();
        p.controleur.trier(4);
        p.toutLire();
        QCOMPARE(p.controleur.ordreTri(), Qt::AscendingOrder);
        QList<QDate> dates;
        for (int i = 0; i < p.modele.rowCount(); ++i)
            dates << p.v(i, 4).toDate();
        QVERIFY(std::is_sorted(dates.begin(), dates.end()));
        QCOMPARE(dates.size(), serveur.size());
        p.controleur.trier(4);
        QCOMPARE(p.controleur.ordreTri(), Qt::DescendingOrder);
        QCOMPARE(p.v(0, 4).toDate(), dates.last());
        // Entering again reads in the server's order.
        p.controleur.entrer();
        QCOMPARE(p.controleur.colonneTri(), -1);
        QCOMPARE(p.lignes(), serveur);
    }

    void lotsSousLeTesteur()
    {
        Page p;
        p.controleur.entrer();
        const QStringList tout = p.lignes();
        p.modele.setTailleLot(3);
        QAbstractItemModelTester testeur(&p.modele, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy insertions(&p.modele, &QAbstractItemModel::rowsInserted);
        p.controleur.entrer();
        QCOMPARE(p.modele.rowCount(), 3);
        while (p.modele.canFetchMore(QModelIndex())) {
            const int avant = p.modele.rowCount();
            p.modele.fetchMore(QModelIndex());
            QVERIFY(p.modele.rowCount() - avant <= 3);
        }
        QVERIFY(insertions.size() >= tout.size() / 3 - 1);
        QCOMPARE(p.lignes(), tout);
        p.controleur.trier(2);
        QCOMPARE(p.modele.rowCount(), 3);
        p.controleur.quitter();
        QCOMPARE(p.modele.rowCount(), 0);
        QCOMPARE(p.modele.columnCount(), 0);
    }

    void exporter()
    {
        Page p;
        p.modele.setTailleLot(2);
        p.controleur.entrer();
        p.controleur.trier(0);
        p.controleur.trier(0);   // descending
        const int total = p.controleur.label13().section(u':', 1).toInt();
        const QString chemin = p.e.dossier.filePath(QStringLiteral("doublons.csv"));
        QVERIFY(p.controleur.exporter(chemin));
        QCOMPARE(p.op.textes("information"), QStringList{QStringLiteral("%1 échéance(s) exportée(s) dans %2.").arg(total).arg(chemin)});
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lignes = f.readAll().split('\n');
        QCOMPARE(lignes.size(), total + 2);   // header, rows, the empty text after the last CR LF
        QCOMPARE(lignes.at(0), QByteArray("NUMERO_CLIENT;NOM_CLIENT;PRENOM_CLIENT;ACCES;FIN_ECHEANCE_PRECEDENTE;"
                                          "ECHEANCE_PROCHAINE;ECHEANCE_DERNIERE\r"));
        // The grid's order, from a cursor of its own: the grid's cursor still reads on.
        QVERIFY(lignes.at(1).startsWith(QByteArray::number(cas::kPremierClient + 12) + ';'));
        QCOMPARE(p.modele.rowCount(), 2);
        p.toutLire();
        QCOMPARE(p.modele.rowCount(), total);

        const QString impossible = p.e.dossier.filePath(QStringLiteral("doublons.csv/sous.csv"));
        QVERIFY(!p.controleur.exporter(impossible));
        QCOMPARE(p.op.textes("erreur").size(), 1);
        QVERIFY(p.op.textes("erreur").at(0).contains(impossible));
        QVERIFY(f.exists());
        // As with --doublons: what is not a regular file is never replaced.
        QVERIFY(!p.controleur.exporter(p.e.dossier.path()));
        QVERIFY(p.op.textes("erreur").at(1).contains(QStringLiteral("c'est un dossier")));
        QVERIFY(QFileInfo(p.e.dossier.path()).isDir());
    }
};

QTEST_GUILESS_MAIN(TestControleurDoublons)
#include "tst_controleur.moc"
