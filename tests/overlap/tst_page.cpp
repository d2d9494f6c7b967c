// The overlap page in the window, offscreen, on the club test database: entering it from the
// selection page, "Précédent", hiding the window, the two colours on real rows, a click on a
// column title, "Exporter" with the file name given in place of the dialog.
#include "CasDoublons.h"
#include "common/EnvironnementIsole.h"
#include "kit/widgets/DBGridColor.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/TfrmMain.h"
#include "common/SessionEssai.h"
#include "common/RecordingOperator.h"
#include "overlap/ControleurDoublons.h"
#include "overlap/ModeleEcheances.h"
#include "overlap/widgets/PageDoublons.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

// The session is declared first: the window closes its page before the connection goes.
struct Fenetre
{
    explicit Fenetre(const QTemporaryDir& dossier)
    {
        IsolerEnvironnement(dossier);
        e = std::make_unique<SessionEssai>();
        fenetre = std::make_unique<TfrmMain>();
        fenetre->Timer1()->stop();
        fenetre->installerPageDoublons(e->session, op);
        fenetre->show();
    }

    template <typename T>
    T* controle(const char* nom) const
    {
        T* c = fenetre->findChild<T*>(QLatin1String(nom));
        if (!c)
            qFatal("no control %s", nom);
        return c;
    }
    void cliquer(const char* nom) { QTest::mouseClick(controle<QWidget>(nom), Qt::LeftButton); }
    ModeleEcheances& modele() const { return fenetre->controleurDoublons()->idsEcheances(); }
    qint64 compteServeur() { return e->entier(QStringLiteral("SELECT COUNT(*) FROM ECHEANCES_DOUBLONS")); }

    std::unique_ptr<SessionEssai> e;
    RecordingOperator op;
    std::unique_ptr<TfrmMain> fenetre;
};

QColor basCellule(const QImage& image, const QRect& r)
{
    // Below the text, whose top is at the top of the cell.
    return image.pixelColor(r.left() + 3, r.bottom() - 1);
}

} // namespace

class TestPageDoublons : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dossier.isValid()); }

    void entrerQuitterRevenir()
    {
        Fenetre f(m_dossier);
        QLabel* label13 = f.controle<QLabel>("Label13");
        QCOMPARE(label13->text(), QStringLiteral("Echéances dont les dates se chevauchent"));
        QCOMPARE(f.fenetre->DBGridColor1()->model(), &f.modele());

        f.cliquer("btnDoublons");
        QCOMPARE(f.fenetre->pageActive(), int(TfrmMain::PageDoublons));
        const qint64 n = f.compteServeur();
        QVERIFY(n > 10);
        QCOMPARE(label13->text(), QStringLiteral("Echéances dont les dates se chevauchent :%1").arg(n));
        QCOMPARE(f.fenetre->DBGridColor1()->horizontalHeader()->count(), 7);
        QCOMPARE(f.modele().rowCount(), int(n));
        QVERIFY(f.op.messages.isEmpty());

        // "Précédent" goes to the run page and closes the dataset with its transaction.
        f.cliquer("Label14");
        QCOMPARE(f.fenetre->pageActive(), int(TfrmMain::PageGo));
        QCOMPARE(f.modele().columnCount(), 0);
        QVERIFY(!f.e->session.trZelto.isActive());
        QCOMPARE(label13->text(), QStringLiteral("Echéances dont les dates se chevauchent :%1").arg(n));

        // Entering again reads the rows afresh: a second future debit with sale makes the
        // "not examined" activity examined, and three of its entries overlap.
        f.e->executer({QStringLiteral("UPDATE ECHEANCIER SET ECHE_VENTE = -1 WHERE ECHE_ID = 9991024")});
        f.fenetre->activerPage(TfrmMain::PageDoublons);
        QCOMPARE(label13->text(), QStringLiteral("Echéances dont les dates se chevauchent :%1").arg(n + 3));

        // Hiding the window closes the dataset; showing it again enters the page again.
        f.fenetre->hide();
        QCOMPARE(f.modele().columnCount(), 0);
        f.fenetre->show();
        QCOMPARE(f.modele().rowCount(), int(n + 3));
    }

    void deuxCouleursSurLignesReelles()
    {
        Fenetre f(m_dossier);
        f.cliquer("btnDoublons");
        TDBGridColor* grille = f.fenetre->DBGridColor1();
        QVERIFY(f.modele().rowCount() >= 4);
        grille->selectRow(2);
        QTRY_VERIFY(grille->isVisible());
        const QImage image = grille->viewport()->grab().toImage();
        const QColor base = grille->palette().color(QPalette::Active, QPalette::Base);
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(basCellule(image, grille->visualRect(f.modele().index(0, c))), base);
            QCOMPARE(basCellule(image, grille->visualRect(f.modele().index(1, c))), QColor(211, 237, 245));
            QCOMPARE(basCellule(image, grille->visualRect(f.modele().index(2, c))), QColor(0, 128, 64));
            QCOMPARE(basCellule(image, grille->visualRect(f.modele().index(3, c))), QColor(211, 237, 245));
        }
    }

    void triParTitre()
    {
        Fenetre f(m_dossier);
        f.cliquer("btnDoublons");
        QHeaderView* titres = f.fenetre->DBGridColor1()->horizontalHeader();
        const auto clicTitre = [&](int colonne) {
            QTest::mouseClick(titres->viewport(), Qt::LeftButton, {},
                              QPoint(titres->sectionViewportPosition(colonne) + 10, titres->height() / 2));
        };
        const auto premier = [&] { return f.modele().index(0, 0).data(Qt::EditRole).toLongLong(); };
        clicTitre(0);
        QVERIFY(titres->isSortIndicatorShown());
        QCOMPARE(titres->sortIndicatorSection(), 0);
        QCOMPARE(titres->sortIndicatorOrder(), Qt::AscendingOrder);
        const qint64 plusPetit = f.e->entier(QStringLiteral("SELECT MIN(CLI_ID) FROM ECHEANCES_DOUBLONS"));
        QCOMPARE(premier(), plusPetit);
        clicTitre(0);
        QCOMPARE(titres->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(premier(), cas::kPremierClient + 12);
        clicTitre(3);
        QCOMPARE(titres->sortIndicatorSection(), 3);
        QCOMPARE(titres->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(f.modele().index(0, 3).data().toString(), QStringLiteral("Abonnement mensuel"));
        QVERIFY(f.op.messages.isEmpty());
    }

    void exporter()
    {
        Fenetre f(m_dossier);
        f.cliquer("btnDoublons");
        PageDoublons* page = f.fenetre->pageDoublons();
        QCOMPARE(page->btnExporter()->text(), QStringLiteral("Exporter"));
        QVERIFY(page->btnExporter()->isVisible());
        const QString chemin = f.e->dossier.filePath(QStringLiteral("page.csv"));
        page->choisirFichier = [] { return QString(); };   // the operator cancels
        f.cliquer("btnExporter");
        QVERIFY(!QFile::exists(chemin));
        QVERIFY(f.op.messages.isEmpty());

        page->choisirFichier = [&] { return chemin; };
        f.cliquer("btnExporter");
        QFile fichier(chemin);
        QVERIFY(fichier.open(QIODevice::ReadOnly));
        QCOMPARE(fichier.readAll().count('\n'), int(f.compteServeur()) + 1);
        QCOMPARE(f.op.textes("information").size(), 1);
    }
};

QTEST_MAIN(TestPageDoublons)
#include "tst_page.moc"
