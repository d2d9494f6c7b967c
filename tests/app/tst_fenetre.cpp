// The main window: layout, captions, fonts, run-time colours, navigation, quitting, version.
#include "common/EnvironnementIsole.h"
#include "kit/widgets/Apparence.h"
#include "kit/widgets/DBGridColor.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/TfrmMain.h"
#include "app/widgets/Version.h"
#include "config/ConfigPrg.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <memory>

class TestFenetre : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    std::unique_ptr<TfrmMain> m_fenetre;

    QWidget* controle(const QString& nom) const
    {
        if (nom == QLatin1String("frmMain"))
            return m_fenetre.get();
        return m_fenetre->findChild<QWidget*>(nom);
    }

    // The page that holds a control, or -1.
    int pageDe(QWidget* w) const
    {
        for (int i = 0; i < m_fenetre->pages()->count(); ++i)
            if (m_fenetre->pages()->widget(i)->isAncestorOf(w))
                return i;
        return -1;
    }

    QColor pixel(const QImage& image, QWidget* w, QPoint p) const
    {
        return image.pixelColor(w->mapTo(m_fenetre.get(), p));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        IsolerEnvironnement(m_dossier);
    }

    void init()
    {
        ReinitialiserConfigPrg();
        m_fenetre = std::make_unique<TfrmMain>();
        m_fenetre->Timer1()->stop();   // no test wants the connection
        m_fenetre->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_fenetre.get()));
    }

    void cleanup() { m_fenetre.reset(); }

    void demarrage()
    {
        QCOMPARE(NumeroModule, 9);
        QCOMPARE(m_fenetre->objectName(), QStringLiteral("frmMain"));
        QCOMPARE(m_fenetre->windowTitle(), QStringLiteral("Module spécial"));
        QCOMPARE(m_fenetre->pageActive(), int(TfrmMain::PageLoadData));
        QVERIFY(m_fenetre->windowFlags().testFlag(Qt::Tool));
        QCOMPARE(m_fenetre->minimumSize(), QSize(518, 696));
        QCOMPARE(m_fenetre->maximumSize(), QSize(518, 696));
        QCOMPARE(ConfigPrg.CouleurEntete, 16767935u);
        QCOMPARE(ConfigPrg.CouleurTexteEntete, 0u);
        QCOMPARE(ConfigPrg.CouleurFond, 15987699u);
        // Pages change through label buttons only.
        QVERIFY(m_fenetre->findChildren<QTabBar*>().isEmpty());
        QStringList pages;
        for (int i = 0; i < m_fenetre->pages()->count(); ++i)
            pages << m_fenetre->pages()->widget(i)->objectName();
        QCOMPARE(pages, QStringList({"tsLoadData", "tsOption", "tsGo", "tsDoublons"}));
    }

    void centreeSurLEcran()
    {
        const QRect ecran = QGuiApplication::primaryScreen()->geometry();
        const QRect cadre = m_fenetre->frameGeometry();
        QVERIFY2(qAbs(cadre.center().x() - ecran.center().x()) <= 1,
                 qPrintable(QStringLiteral("window %1,%2 %3x%4 on screen %5x%6").arg(cadre.x()).arg(cadre.y())
                                .arg(cadre.width()).arg(cadre.height()).arg(ecran.width()).arg(ecran.height())));
        if (cadre.height() <= ecran.height())
            QVERIFY(qAbs(cadre.center().y() - ecran.center().y()) <= 1);
        else   // a screen smaller than the window keeps the caption reachable
            QCOMPARE(cadre.top(), ecran.top());
    }

    void minuterieDeDemarrage()
    {
        TfrmMain fenetre;
        QTimer* minuterie = fenetre.Timer1();
        QVERIFY(minuterie->isActive());
        QVERIFY(minuterie->isSingleShot());
        QCOMPARE(minuterie->interval(), 1000);
        int connexions = 0;
        fenetre.surConnexion = [&] {
            QVERIFY(!minuterie->isActive());
            ++connexions;
        };
        minuterie->start(1);
        QTRY_COMPARE(connexions, 1);
        QTest::qWait(20);
        QCOMPARE(connexions, 1);
    }

    // Geometry within the parent named in the table (the page for page controls).
    void disposition_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("window") << "frmMain" << QRect(0, 0, 518, 696);
        QTest::newRow("header") << "pnlFenetreEntete" << QRect(0, 0, 518, 42);
        QTest::newRow("footer") << "pnlFenetrePied" << QRect(0, 666, 518, 30);
        QTest::newRow("quit") << "btnOK" << QRect(415, 669, 100, 24);
        QTest::newRow("page area") << "pages" << QRect(8, 48, 493, 608);
        QTest::newRow("Label6") << "Label6" << QRect(397, 574, 88, 26);
        QTest::newRow("btnDoublons") << "btnDoublons" << QRect(8, 574, 88, 26);
        QTest::newRow("Label7") << "Label7" << QRect(397, 574, 88, 26);
        QTest::newRow("Label8") << "Label8" << QRect(301, 574, 88, 26);
        QTest::newRow("Label3") << "Label3" << QRect(2, 45, 488, 53);
        QTest::newRow("btnTraiter") << "btnTraiter" << QRect(189, 117, 110, 37);
        QTest::newRow("Label21") << "Label21" << QRect(4, 333, 488, 53);
        QTest::newRow("Label9") << "Label9" << QRect(397, 574, 88, 26);
        QTest::newRow("Label14") << "Label14" << QRect(397, 579, 88, 26);
        QTest::newRow("grid") << "DBGridColor1" << QRect(0, 24, 493, 608 - 24 - 33);
    }

    void disposition()
    {
        QFETCH(QString, nom);
        QFETCH(QRect, rect);
        QWidget* w = controle(nom);
        QVERIFY2(w, qPrintable(nom));
        const int page = pageDe(w);
        if (page >= 0) {
            m_fenetre->activerPage(page);
            QTRY_VERIFY(w->isVisible());
            const QWidget* parentPage = m_fenetre->pages()->widget(page);
            QCOMPARE(QRect(w->mapTo(parentPage, QPoint(0, 0)), w->size()), rect);
        } else if (w == m_fenetre.get()) {
            QCOMPARE(QRect(QPoint(0, 0), w->size()), rect);
        } else {
            QCOMPARE(QRect(w->mapTo(m_fenetre.get(), QPoint(0, 0)), w->size()), rect);
        }
    }

    void legendes_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("texte");
        QTest::newRow("header") << "pnlFenetreEntete" << " Module spécial";
        QTest::newRow("quit") << "btnOK" << "Quitter";
        QTest::newRow("Label6") << "Label6" << "Suivant";
        QTest::newRow("btnDoublons") << "btnDoublons" << "Doublons";
        QTest::newRow("Label7") << "Label7" << "Suivant";
        QTest::newRow("Label8") << "Label8" << "Précédent";
        QTest::newRow("btnTraiter") << "btnTraiter" << "Traiter";
        QTest::newRow("Label9") << "Label9" << "Précédent";
        QTest::newRow("Label14") << "Label14" << "Précédent";
        QTest::newRow("Label5") << "Label5" << "En attente.";
        QTest::newRow("Label13") << "Label13" << "Echéances dont les dates se chevauchent";
        QTest::newRow("Label3") << "Label3"
                                << "Faire une sauvegarde avant l'utilisation de ce module.\n\n"
                                   "Les opérations ne seront pas réversibles.";
    }

    void legendes()
    {
        QFETCH(QString, nom);
        QFETCH(QString, texte);
        auto* label = qobject_cast<QLabel*>(controle(nom));
        QVERIFY2(label, qPrintable(nom));
        QCOMPARE(label->text(), texte);
    }

    void polices_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("calibri");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("gras");
        QTest::newRow("window") << "frmMain" << false << 11 << false;
        QTest::newRow("header") << "pnlFenetreEntete" << true << 19 << true;
        QTest::newRow("quit") << "btnOK" << true << 16 << true;
        for (const char* bouton : {"Label6", "btnDoublons", "Label7", "Label8", "btnTraiter", "Label9", "Label14"})
            QTest::newRow(bouton) << bouton << true << 13 << true;
        QTest::newRow("version") << "lblVersion" << false << 11 << false;
        QTest::newRow("Label3") << "Label3" << false << 11 << true;
        QTest::newRow("Label21") << "Label21" << false << 11 << false;
        QTest::newRow("Label5") << "Label5" << false << 11 << false;
    }

    void polices()
    {
        QFETCH(QString, nom);
        QFETCH(bool, calibri);
        QFETCH(int, pixels);
        QFETCH(bool, gras);
        QWidget* w = controle(nom);
        QVERIFY2(w, qPrintable(nom));
        const QString famille = calibri ? FamilleCalibri() : FamilleTahoma();
        QVERIFY(calibri ? (famille == "Calibri" || famille == "Carlito") : famille == "Tahoma");
        QCOMPARE(w->font().family(), famille);
        QCOMPARE(w->font().pixelSize(), pixels);
        QCOMPARE(w->font().bold(), gras);
        // The font is really there, not silently replaced by another family.
        QCOMPARE(QFontInfo(w->font()).family(), famille);
        QCOMPARE(QFontInfo(w->font()).bold(), gras);
    }

    // Pixels of the rendered window: bands light blue with black text, window light grey,
    // label buttons dark blue with white bold text.
    void couleurs_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<int>("page");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QColor>("fond");
        QTest::addColumn<QColor>("texte");   // invalid: no text to look for
        const QColor bleuClair(191, 219, 255), gris(243, 243, 243), bleu(27, 50, 152);
        QTest::newRow("header") << "pnlFenetreEntete" << 0 << QPoint(510, 2) << bleuClair << QColor(Qt::black);
        QTest::newRow("footer") << "pnlFenetrePied" << 0 << QPoint(5, 27) << bleuClair << QColor();
        QTest::newRow("quit") << "btnOK" << 0 << QPoint(1, 1) << bleuClair << QColor(Qt::white);
        QTest::newRow("window") << "frmMain" << 0 << QPoint(3, 300) << gris << QColor();
        QTest::newRow("page") << "tsOption" << 1 << QPoint(250, 300) << gris << QColor();
        for (const char* bouton : {"Label6", "btnDoublons"})
            QTest::newRow(bouton) << bouton << 0 << QPoint(1, 1) << bleu << QColor(Qt::white);
        for (const char* bouton : {"Label7", "Label8"})
            QTest::newRow(bouton) << bouton << 1 << QPoint(1, 1) << bleu << QColor(Qt::white);
        for (const char* bouton : {"btnTraiter", "Label9"})
            QTest::newRow(bouton) << bouton << 2 << QPoint(1, 1) << bleu << QColor(Qt::white);
        QTest::newRow("Label14") << "Label14" << 3 << QPoint(1, 1) << bleu << QColor(Qt::white);
    }

    void couleurs()
    {
        QFETCH(QString, nom);
        QFETCH(int, page);
        QFETCH(QPoint, point);
        QFETCH(QColor, fond);
        QFETCH(QColor, texte);
        m_fenetre->activerPage(page);
        QWidget* w = controle(nom);
        QVERIFY2(w, qPrintable(nom));
        QTRY_VERIFY(w->isVisible());
        const QImage image = m_fenetre->grab().toImage();
        QCOMPARE(pixel(image, w, point), fond);
        if (!texte.isValid())
            return;
        // Some pixel of the text is (nearly) the text colour.
        const QRect zone = w == m_fenetre.get() ? QRect() : w->rect();
        bool trouve = false;
        for (int y = zone.top(); y <= zone.bottom() && !trouve; ++y)
            for (int x = zone.left(); x <= zone.right() && !trouve; ++x) {
                const QColor c = pixel(image, w, QPoint(x, y));
                trouve = qAbs(c.red() - texte.red()) < 40 && qAbs(c.green() - texte.green()) < 40
                         && qAbs(c.blue() - texte.blue()) < 40;
            }
        QVERIFY2(trouve, "no pixel of the text colour");
    }

    void navigation_data()
    {
        QTest::addColumn<int>("depart");
        QTest::addColumn<QString>("bouton");
        QTest::addColumn<int>("arrivee");
        QTest::newRow("selection Suivant") << 0 << "Label6" << 1;
        QTest::newRow("selection Doublons") << 0 << "btnDoublons" << 3;
        QTest::newRow("options Suivant") << 1 << "Label7" << 2;
        QTest::newRow("options Précédent") << 1 << "Label8" << 0;
        QTest::newRow("run Précédent") << 2 << "Label9" << 1;
        QTest::newRow("overlap Précédent leads to the run page") << 3 << "Label14" << 2;
    }

    void navigation()
    {
        QFETCH(int, depart);
        QFETCH(QString, bouton);
        QFETCH(int, arrivee);
        m_fenetre->activerPage(depart);
        QWidget* w = controle(bouton);
        QVERIFY(w);
        QTRY_VERIFY(w->isVisible());
        QTest::mouseClick(w, Qt::LeftButton);
        QCOMPARE(m_fenetre->pageActive(), arrivee);
    }

    // A press on a label button released outside it is no click.
    void clicAnnule()
    {
        QWidget* w = controle(QStringLiteral("Label6"));
        QTest::mousePress(w, Qt::LeftButton);
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(m_fenetre->pageActive(), int(TfrmMain::PageLoadData));
    }

    void finDuProcessus_data()
    {
        QTest::addColumn<QString>("fin");
        QTest::addColumn<int>("code");
        QTest::newRow("Quitter") << "Quitter" << 0;
        QTest::newRow("close box") << "close" << 0;
        QTest::newRow("failed connection") << "terminer" << 2;
    }

    void finDuProcessus()
    {
        QFETCH(QString, fin);
        QFETCH(int, code);
        QSignalSpy quitte(qApp, &QCoreApplication::aboutToQuit);
        QTimer::singleShot(0, this, [&] {
            if (fin == QLatin1String("Quitter"))
                QTest::mouseClick(controle(QStringLiteral("btnOK")), Qt::LeftButton);
            else if (fin == QLatin1String("close"))
                m_fenetre->close();
            else
                m_fenetre->terminer(2);
        });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });   // never hang
        QCOMPARE(QApplication::exec(), code);
        QCOMPARE(quitte.count(), 1);
        QVERIFY(!m_fenetre->isVisible());
    }

    void version_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("texte");
        QTest::newRow("French, France") << QLocale(QLocale::French, QLocale::France) << " 1.1.1.45";
        QTest::newRow("French, Canada") << QLocale(QLocale::French, QLocale::Canada) << " 1.1.1.45";
        QTest::newRow("English, US") << QLocale(QLocale::English, QLocale::UnitedStates) << "1.1.1.45";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "1.1.1.45";
        QTest::newRow("C") << QLocale::c() << "1.1.1.45";
    }

    void version()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, texte);
        QCOMPARE(LireVersion(locale), texte);
    }

    void libelleVersion()
    {
        QCOMPARE(m_fenetre->lblVersion()->text(), LireVersion(QLocale::system()));
        m_fenetre->activerPage(TfrmMain::PageOption);
        QTRY_VERIFY(m_fenetre->lblVersion()->isVisible());
        QCOMPARE(m_fenetre->lblVersion()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
};

QTEST_MAIN(TestFenetre)
#include "tst_fenetre.moc"
