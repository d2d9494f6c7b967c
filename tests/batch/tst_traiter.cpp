// "Traiter" in the window, offscreen, on the club test database: a real run from the click to
// the summary with its details, and the button usable again after every ending.
#include "common/SessionEssai.h"
#include "kit/widgets/LabelBouton.h"
#include "app/widgets/OperateurFenetre.h"
#include "app/widgets/TfrmMain.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/Traitement.h"
#include "common/RecordingOperator.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestTraiter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The engine is shut down before the process exits (it may crash there otherwise).
    void cleanupTestCase() { fb::Client::arreter(); }
    void runDepuisLaFenetre();
    void detailsDuResume();
};

void TestTraiter::runDepuisLaFenetre()
{
    SessionEssai e;
    RecordingOperator op;
    TfrmMain frmMain;
    frmMain.Timer1()->stop();
    frmMain.installerPagesLot(e.session, op);
    frmMain.traitement()->setDossierJournal(e.dossier.filePath(QStringLiteral("journaux")));
    frmMain.traitement()->setDossierAnnulation(e.dossier.filePath(QStringLiteral("annulation")));
    frmMain.controleurSelection()->etatDemarrage();
    frmMain.show();

    QCheckBox* cbMsg = frmMain.findChild<QCheckBox*>(QStringLiteral("cbMsg"));
    QVERIFY(cbMsg);
    frmMain.activerPage(TfrmMain::PageOption);
    cbMsg->click();
    QVERIFY(frmMain.controleurOptions()->coche(CaseOption::cbMsg));
    frmMain.activerPage(TfrmMain::PageGo);
    const qint32 clients = frmMain.controleurSelection()->NbClients;

    // "Simuler" first: the summary says so, the run page stays, nothing is kept.
    QSignalSpy fin(&frmMain, &TfrmMain::traitementTermine);
    QTest::mouseClick(frmMain.btnSimuler(), Qt::LeftButton);
    QVERIFY(fin.wait(60000));
    QVERIFY(op.textes(QStringLiteral("information")).value(0).startsWith(Traitement::kBanniereSimulation));
    QCOMPARE(op.details.size(), 1);
    QCOMPARE(frmMain.pageActive(), int(TfrmMain::PageGo));
    QCOMPARE(e.entier(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")), 0);
    QCOMPARE(frmMain.controleurSelection()->NbClients, clients);
    QVERIFY(frmMain.btnSimuler()->isEnabled());
    op.messages.clear();

    TLabelBouton* traiter = frmMain.btnTraiter();
    QTest::mouseClick(traiter, Qt::LeftButton);
    QVERIFY(fin.wait(60000));
    QCOMPARE(op.textes(QStringLiteral("information")),
             QStringList{QStringLiteral("Opérations terminées,\n\r%1 clients traités,\n\r0 erreurs.").arg(clients)});
    QCOMPARE(op.details,
             QStringList{QStringLiteral("mSQL2 CLIENTS_MESSAGE : %1 ajout(s), 0 modification(s), 0 suppression(s)")
                             .arg(e.entier(QStringLiteral("SELECT COUNT(*) FROM CLIENTS_MESSAGE")))});
    QCOMPARE(frmMain.pageActive(), int(TfrmMain::PageOption));
    QVERIFY(traiter->isEnabled());
    QVERIFY(op.statuts.last().endsWith(QStringLiteral(" - Terminé.")));

    // The clean-up refused: the error is shown, the run page stays, "Traiter" works again.
    e.executer({QStringLiteral("CREATE EXCEPTION E_VERROU 'verrou'"),
                QStringLiteral("CREATE TRIGGER T_VERROU FOR T_CLIENTS_PRESENTS BEFORE DELETE AS BEGIN EXCEPTION E_VERROU; END")});
    op.messages.clear();
    frmMain.activerPage(TfrmMain::PageGo);
    QTest::mouseClick(traiter, Qt::LeftButton);
    QVERIFY(fin.wait(60000));
    QCOMPARE(op.textes(QStringLiteral("erreur")).size(), 1);
    QVERIFY(op.textes(QStringLiteral("information")).isEmpty());
    QCOMPARE(frmMain.pageActive(), int(TfrmMain::PageGo));
    QVERIFY(traiter->isEnabled());
}

// The window's summary box carries the change counts in its details part.
void TestTraiter::detailsDuResume()
{
    QWidget fenetre;
    OperateurFenetre operateur(&fenetre, nullptr);
    QString texte;
    QString details;
    QTimer::singleShot(0, [&] {
        if (auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texte = boite->text();
            details = boite->detailedText();
            boite->done(QMessageBox::Ok);
        }
    });
    QTimer garde;
    garde.callOnTimeout([] {
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    garde.start(5000);   // never hang on a box that was not found
    operateur.resume(QStringLiteral("Opérations terminées,"), {QStringLiteral("mSQL2 A : 1"), QStringLiteral("mSQL3 B : 2")});
    QCOMPARE(texte, QStringLiteral("Opérations terminées,"));
    QCOMPARE(details, QStringLiteral("mSQL2 A : 1\nmSQL3 B : 2"));
}

QTEST_MAIN(TestTraiter)
#include "tst_traiter.moc"
