// The two-colour grid, checked on rendered pixels and on the positions its painting computes.
#include "common/EnvironnementIsole.h"
#include "kit/widgets/DBGridColor.h"
#include "app/widgets/TfrmMain.h"

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

// Column 0: client numbers (right-aligned, as numbers are); column 1: names; column 2: dates.
std::unique_ptr<QStandardItemModel> modele(int lignes)
{
    auto m = std::make_unique<QStandardItemModel>(lignes, 3);
    for (int r = 0; r < lignes; ++r) {
        m->setData(m->index(r, 0), qlonglong(1000 + r), Qt::EditRole);
        m->setData(m->index(r, 1), QStringLiteral("Nom%1").arg(r), Qt::EditRole);
        m->setData(m->index(r, 2), QDate(2024, 1, 1).addDays(r), Qt::EditRole);
    }
    return m;
}

void preparer(QTableView& grille, QAbstractItemModel* m)
{
    grille.setModel(m);
    grille.resize(400, 300);
    grille.setColumnWidth(0, 90);
    grille.setColumnWidth(1, 120);
    grille.setColumnWidth(2, 100);
}

// A point of the cell away from any text: the left part of the right-aligned number column.
QColor fondLigne(const QImage& image, const QTableView& grille, int ligne)
{
    const QRect r = grille.visualRect(grille.model()->index(ligne, 0));
    return image.pixelColor(r.x() + 3, r.y() + r.height() / 2);
}

bool contient(const QImage& image, const QRect& zone, const std::function<bool(QColor)>& test)
{
    for (int y = zone.top(); y <= zone.bottom(); ++y)
        for (int x = zone.left(); x <= zone.right(); ++x)
            if (test(image.pixelColor(x, y)))
                return true;
    return false;
}

bool fonce(QColor c)
{
    return c.red() < 90 && c.green() < 90 && c.blue() < 90;
}

bool clair(QColor c)
{
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

}   // namespace

class TestGrille : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        IsolerEnvironnement(m_dossier);
    }

    // The grid of the overlap page, as the window sets it up.
    void lignesDuFenetre()
    {
        TfrmMain fenetre;
        fenetre.Timer1()->stop();
        fenetre.show();
        fenetre.activerPage(TfrmMain::PageDoublons);
        TDBGridColor* grille = fenetre.DBGridColor1();
        auto m = modele(6);
        grille->setModel(m.get());
        grille->selectRow(4);
        QTRY_VERIFY(grille->isVisible());
        const QImage image = grille->viewport()->grab().toImage();
        const QColor fenetreBase = grille->palette().color(QPalette::Active, QPalette::Base);
        QCOMPARE(fondLigne(image, *grille, 0), fenetreBase);
        QCOMPARE(fondLigne(image, *grille, 1), QColor(211, 237, 245));
        QCOMPARE(fondLigne(image, *grille, 2), fenetreBase);
        QCOMPARE(fondLigne(image, *grille, 3), QColor(211, 237, 245));
        // The whole selected row is dark green with white text.
        for (int c = 0; c < 3; ++c) {
            const QRect cellule = grille->visualRect(m->index(4, c));
            QCOMPARE(image.pixelColor(cellule.topLeft() + QPoint(1, cellule.height() - 2)), QColor(0, 128, 64));
            QVERIFY(contient(image, cellule, clair));
            QVERIFY(!contient(image, cellule, fonce));
        }
        // Unselected text keeps the column's colour (black).
        QVERIFY(contient(image, grille->visualRect(m->index(2, 1)), fonce));
    }

    // Selection colour and text colour, default colours of a bare grid.
    void couleurs_data()
    {
        QTest::addColumn<uint>("selection");
        QTest::addColumn<int>("ligne");
        QTest::addColumn<QColor>("fond");
        QTest::addColumn<bool>("texteBlanc");
        QTest::newRow("default even rows grey") << 4227072u << 1 << QColor(128, 128, 128) << false;
        QTest::newRow("dark green selection, white text") << 4227072u << 3 << QColor(0, 128, 64) << true;
        QTest::newRow("yellow selection, black text") << 0x0000FFFFu << 3 << QColor(255, 255, 0) << false;
        QTest::newRow("green 0x408001, black text") << 0x00408001u << 3 << QColor(1, 128, 64) << false;
    }

    void couleurs()
    {
        QFETCH(uint, selection);
        QFETCH(int, ligne);
        QFETCH(QColor, fond);
        QFETCH(bool, texteBlanc);
        TDBGridColor grille;
        grille.CouleurSelection = selection;
        auto m = modele(5);
        preparer(grille, m.get());
        grille.setSelectionBehavior(QAbstractItemView::SelectRows);
        grille.selectRow(3);
        grille.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grille));
        const QImage image = grille.viewport()->grab().toImage();
        QCOMPARE(fondLigne(image, grille, ligne), fond);
        const QRect cellule = grille.visualRect(m->index(ligne, 1));
        if (texteBlanc) {
            QVERIFY(contient(image, cellule, clair));
            QVERIFY(!contient(image, cellule, fonce));
        } else {
            QVERIFY(contient(image, cellule, fonce));
        }
    }

    // The colour follows the record, not the screen row.
    void defilement()
    {
        TDBGridColor grille;
        grille.LignesPaires = 16117203;
        auto m = modele(200);
        preparer(grille, m.get());
        grille.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grille));
        grille.verticalScrollBar()->setValue(1);   // record 2 on the first screen row
        QTRY_COMPARE(grille.rowAt(0), 1);
        const QImage image = grille.viewport()->grab().toImage();
        QCOMPARE(image.pixelColor(3, grille.rowHeight(1) / 2), QColor(211, 237, 245));
        QCOMPARE(image.pixelColor(3, grille.rowHeight(1) + grille.rowHeight(2) / 2),
                 grille.palette().color(QPalette::Active, QPalette::Base));
    }

    // Switched off, the grid paints as the plain view does.
    void commeLaVueSimple()
    {
        auto m = modele(8);
        TDBGridColor grille;
        grille.LignesBicolores = false;
        QTableView simple;
        for (QTableView* vue : {static_cast<QTableView*>(&grille), &simple}) {
            preparer(*vue, m.get());
            vue->setSelectionBehavior(QAbstractItemView::SelectRows);
            vue->selectRow(2);
            vue->show();
            QVERIFY(QTest::qWaitForWindowExposed(vue));
        }
        const QImage a = grille.viewport()->grab().toImage();
        const QImage b = simple.viewport()->grab().toImage();
        QCOMPARE(a.size(), b.size());
        QVERIFY(a == b);
        grille.LignesBicolores = true;
        grille.viewport()->update();
        QVERIFY(grille.viewport()->grab().toImage() != b);
    }

    void positions_data()
    {
        QTest::addColumn<int>("colonne");
        QTest::addColumn<int>("alignement");   // 0: the column's own
        QTest::addColumn<QString>("cote");     // where the text must sit
        QTest::newRow("number column, right") << 0 << 0 << "right";
        QTest::newRow("text column, left") << 1 << 0 << "left";
        QTest::newRow("date column, left") << 2 << 0 << "left";
        QTest::newRow("text forced right") << 1 << int(Qt::AlignRight | Qt::AlignVCenter) << "right";
        QTest::newRow("number forced left") << 0 << int(Qt::AlignLeft) << "left";
        QTest::newRow("centred") << 1 << int(Qt::AlignHCenter) << "centre";
    }

    void positions()
    {
        QFETCH(int, colonne);
        QFETCH(int, alignement);
        QFETCH(QString, cote);
        TDBGridColor grille;
        auto m = modele(3);
        if (alignement)
            for (int r = 0; r < 3; ++r)
                m->setData(m->index(r, colonne), alignement, Qt::TextAlignmentRole);
        preparer(grille, m.get());
        grille.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grille));

        const QModelIndex index = m->index(1, colonne);
        const QRect cellule = grille.visualRect(index);
        const QString texte = TDBGridColor::TexteEdition(index);
        const QFontMetrics fm(grille.font());
        const int largeur = fm.horizontalAdvance(texte);
        const QPoint p = grille.PositionTexte(index);
        QCOMPARE(p.y(), cellule.y() + fm.ascent());   // text top at the cell's top
        const int droite = cellule.x() + cellule.width();   // exclusive edge
        if (cote == QLatin1String("right"))
            QCOMPARE(p.x() + largeur, droite - 2);
        else if (cote == QLatin1String("left"))
            QCOMPARE(p.x(), cellule.x() + 2);
        else
            QCOMPARE(p.x(), cellule.x() + (cellule.width() - (largeur + 2)) / 2);

        // The ink lies where the position says.
        const QImage image = grille.viewport()->grab().toImage();
        int premier = -1, dernier = -1;
        for (int x = cellule.left(); x <= cellule.right(); ++x)
            for (int y = cellule.top(); y <= cellule.bottom(); ++y)
                if (fonce(image.pixelColor(x, y))) {
                    if (premier < 0)
                        premier = x;
                    dernier = x;
                }
        QVERIFY(premier >= 0);
        QVERIFY2(premier >= p.x() - 1 && dernier <= p.x() + largeur,
                 qPrintable(QStringLiteral("ink %1..%2, text %3..%4").arg(premier).arg(dernier).arg(p.x())
                                .arg(p.x() + largeur)));
    }

    // A text wider than the last column runs on past it.
    void nonCoupe()
    {
        TDBGridColor grille;
        auto m = modele(2);
        m->setData(m->index(0, 2), QStringLiteral("WWWWWWWWWWWWWWWW"), Qt::EditRole);
        preparer(grille, m.get());
        grille.setColumnWidth(2, 30);
        grille.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grille));
        const QRect cellule = grille.visualRect(m->index(0, 2));
        const QImage image = grille.viewport()->grab().toImage();
        const QRect au_dela(cellule.x() + cellule.width() + 2, cellule.y(), 40, cellule.height());
        QVERIFY(contient(image, au_dela, fonce));
    }

    void texteEdition_data()
    {
        QTest::addColumn<QVariant>("valeur");
        QTest::addColumn<QString>("texte");
        QTest::newRow("date") << QVariant(QDate(2024, 1, 31)) << "31/01/2024";
        QTest::newRow("integer") << QVariant(qlonglong(1234567)) << "1234567";
        QTest::newRow("text") << QVariant(QStringLiteral("L'Écluse")) << "L'Écluse";
        QTest::newRow("null") << QVariant() << "";
    }

    void texteEdition()
    {
        QFETCH(QVariant, valeur);
        QFETCH(QString, texte);
        QStandardItemModel m(1, 1);
        m.setData(m.index(0, 0), valeur, Qt::EditRole);
        QCOMPARE(TDBGridColor::TexteEdition(m.index(0, 0)), texte);
    }
};

QTEST_MAIN(TestGrille)
#include "tst_grille.moc"
