// "Sauvegarder" on the run page of the real window, on a copy of the club test database
// (embedded access): its place beside the specified controls, the proposed name, the
// indicator while the backup runs, and the final message.
#include "common/EnvironnementIsole.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/PanneauSauvegarde.h"
#include "app/widgets/TfrmMain.h"
#include "common/SessionEssai.h"
#include "common/RecordingOperator.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <memory>

class TestSauvegardeFenetre : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    std::unique_ptr<SessionEssai> m_essai;
    std::unique_ptr<RecordingOperator> m_op;
    std::unique_ptr<TfrmMain> m_fenetre;
    QStringList m_proposes;

    PanneauSauvegarde* panneau() const { return m_fenetre->panneauSauvegarde(); }

    // The operator's answer to the file question, and what the question proposed.
    void repondre(const QString& fichier)
    {
        panneau()->demanderFichier = [this, fichier](const QString& propose, bool local) {
            m_proposes << propose + (local ? QStringLiteral(" (local)") : QString());
            return fichier;
        };
    }

    void cliquer() { QTest::mouseClick(panneau()->btnSauvegarder(), Qt::LeftButton); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        IsolerEnvironnement(m_dossier);
    }

    void init()
    {
        m_essai = std::make_unique<SessionEssai>();
        m_op = std::make_unique<RecordingOperator>();
        m_fenetre = std::make_unique<TfrmMain>();
        m_fenetre->Timer1()->stop();   // the session is already connected
        m_fenetre->installerPagesLot(m_essai->session, *m_op);
        // The window read the configuration: point it at the copy, embedded.
        ConfigPrg.IPServeur.clear();
        ConfigPrg.Alias = m_essai->chemin;
        m_fenetre->activerPage(TfrmMain::PageGo);
        m_fenetre->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_fenetre.get()));
        m_proposes.clear();
    }

    void cleanup()
    {
        m_fenetre.reset();
        m_op.reset();
        m_essai.reset();
    }

    void placeSurLaPageDeTraitement()
    {
        TLabelBouton* bouton = panneau()->btnSauvegarder();
        QCOMPARE(bouton->objectName(), QStringLiteral("btnSauvegarder"));
        QCOMPARE(bouton->text(), QStringLiteral("Sauvegarder"));
        QCOMPARE(bouton->parentWidget(), m_fenetre->tsGo());
        QVERIFY(bouton->isVisible());
        // The specified controls keep their places and nothing of the backup covers them.
        QCOMPARE(m_fenetre->btnTraiter()->geometry(), QRect(189, 117, 110, 37));
        QCOMPARE(bouton->geometry().top(), m_fenetre->btnTraiter()->geometry().top());
        const QRect zones[] = {bouton->geometry(), panneau()->pbSauvegarde()->geometry(), panneau()->lblSauvegarde()->geometry()};
        for (const char* nom : {"Label3", "btnTraiter", "btnSimuler", "Label21", "Label5", "Label9"}) {
            const QWidget* c = m_fenetre->tsGo()->findChild<QWidget*>(QString::fromLatin1(nom));
            QVERIFY2(c, nom);
            for (const QRect& zone : zones)
                QVERIFY2(!zone.intersects(c->geometry()), nom);
        }
        QVERIFY(!panneau()->pbSauvegarde()->isVisible());
        QVERIFY(!panneau()->lblSauvegarde()->isVisible());
    }

    void sauvegardeAvecIndicateur()
    {
        const QString fichier = m_essai->dossier.filePath(QStringLiteral("choisie.fbk"));
        repondre(fichier);
        // What the page shows while the backup holds the event loop (timers still run).
        QStringList vu;
        QTimer sonde;
        connect(&sonde, &QTimer::timeout, this, [&] {
            vu << QStringLiteral("%1 %2 %3")
                      .arg(panneau()->pbSauvegarde()->isVisible())
                      .arg(m_fenetre->tsGo()->isEnabled())
                      .arg(panneau()->lblSauvegarde()->text());
        });
        sonde.start(0);
        cliquer();
        sonde.stop();

        QCOMPARE(m_proposes.size(), 1);
        const QString dossierBase = QFileInfo(m_essai->chemin).absolutePath() + QStringLiteral("/base_");
        QVERIFY2(m_proposes.first().startsWith(dossierBase) && m_proposes.first().endsWith(QLatin1String(".fbk (local)")),
                 qPrintable(m_proposes.first()));
        QVERIFY2(!vu.isEmpty() && vu.first().startsWith(QLatin1String("1 0")), qPrintable(vu.join(u'\n')));
        QVERIFY2(std::any_of(vu.cbegin(), vu.cend(), [](const QString& v) { return v.contains(QLatin1String("gbak:")); }),
                 qPrintable(vu.join(u'\n')));
        QCOMPARE(m_op->textes(QStringLiteral("information")), QStringList{QStringLiteral("Sauvegarde terminée : ") + fichier});
        QVERIFY(m_op->textes(QStringLiteral("erreur")).isEmpty());
        QVERIFY(QFileInfo(fichier).size() > 100000);
        QVERIFY(!panneau()->pbSauvegarde()->isVisible());
        QVERIFY(m_fenetre->tsGo()->isEnabled());
    }

    void abandonOuRefus_data()
    {
        QTest::addColumn<QString>("reponse");   // "" gives up; "existante" names a file that exists
        QTest::addColumn<QString>("erreur");    // in the error message, empty for none
        QTest::newRow("gives up") << "" << "";
        QTest::newRow("existing file") << "existante" << "existe déjà";
        QTest::newRow("missing folder") << "absent/b.fbk" << "n'existe pas";
    }

    void abandonOuRefus()
    {
        QFETCH(QString, reponse);
        QFETCH(QString, erreur);
        const QByteArray ancien = "déjà là";
        QString fichier = reponse.isEmpty() ? QString() : m_essai->dossier.filePath(reponse);
        if (reponse == QLatin1String("existante")) {
            QFile f(fichier);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(ancien);
        }
        repondre(fichier);
        cliquer();
        QCOMPARE(m_proposes.size(), 1);
        QVERIFY(m_op->textes(QStringLiteral("information")).isEmpty());
        const QStringList erreurs = m_op->textes(QStringLiteral("erreur"));
        if (erreur.isEmpty()) {
            QVERIFY(erreurs.isEmpty());
        } else {
            QCOMPARE(erreurs.size(), 1);
            QVERIFY2(erreurs.first().contains(erreur), qPrintable(erreurs.first()));
        }
        if (reponse == QLatin1String("existante")) {
            QFile f(fichier);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), ancien);
        } else if (!fichier.isEmpty()) {
            QVERIFY(!QFileInfo::exists(fichier));
        }
        QVERIFY(m_fenetre->tsGo()->isEnabled());
    }
};

QTEST_MAIN(TestSauvegardeFenetre)
#include "tst_sauvegarde.moc"
