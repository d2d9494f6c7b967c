// Jobs opened into the window, offscreen on the club test database: each refusal is one box
// naming the file, the line, the key and the value, and leaves the pages as they were.
#include "common/SessionEssai.h"
#include "app/widgets/ActionsLot.h"
#include "app/widgets/TfrmMain.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/EcritureLot.h"
#include "common/RecordingOperator.h"

#include <QAction>
#include <QFile>
#include <QTest>
#include <QTimer>

class TestLot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { fb::Client::arreter(); }
    void refus_data();
    void refus();
};

void TestLot::refus_data()
{
    QTest::addColumn<QByteArray>("job");      // null: no such file
    QTest::addColumn<QStringList>("sql");     // run on the database first
    QTest::addColumn<QStringList>("textes");  // in the box
    QTest::newRow("unknown key") << QByteArray("[Options]\ncbMessage=1\n") << QStringList{}
                                 << QStringList{"ligne 2", "cbMessage", "« 1 »"};
    QTest::newRow("date that does not parse") << QByteArray("[Options]\ncbIncPrel=1\nedtDateInc=2026-02-30\n")
                                              << QStringList{} << QStringList{"ligne 3", "edtDateInc", "2026-02-30"};
    QTest::newRow("box hidden by its source") << QByteArray("[Selection]\nrgSource=2\n[Options]\ncbAnnulation=1\n")
                                              << QStringList{} << QStringList{"cbAnnulation=1", "rgSource=2"};
    QTest::newRow("no such file") << QByteArray() << QStringList{} << QStringList{"n'existe pas"};
    // Refused while applied: the previous pages are put back.
    QTest::newRow("date before its minimum") << QByteArray("[Options]\ncbCreate=1\nedtDateEch=2000-01-01\n")
                                             << QStringList{}
                                             << QStringList{"ligne 3", "edtDateEch=2000-01-01", "restées comme avant"};
    QTest::newRow("box that cannot be ticked") << QByteArray("[Options]\n\ncbCreate=1\ncbModifMontant=1\n")
                                               << QStringList{"UPDATE MODE_PAIEMENT SET MOD_NE_PAS_UTILISER = -1"}
                                               << QStringList{"ligne 3", "cbCreate=1", "restées comme avant"};
}

void TestLot::refus()
{
    QFETCH(QByteArray, job);
    QFETCH(QStringList, sql);
    QFETCH(QStringList, textes);
    SessionEssai e;
    e.executer(sql);
    RecordingOperator op;
    TfrmMain f;
    f.Timer1()->stop();
    f.installerPagesLot(e.session, op);
    ControleurSelection& selection = *f.controleurSelection();
    ControleurOptions& options = *f.controleurOptions();
    selection.etatDemarrage();
    options.setCoche(CaseOption::cbIncPrel, true);
    options.setDate("edtDateInc", options.dateMinimum("edtDateInc"));
    options.setTexte("Memo1", "avant");
    options.setTypeMessage(0);
    const auto pages = [&] { return ecriture_lot::TexteLot(ecriture_lot::PagesEnLot(selection, options, {}), {}); };
    const QString avant = pages();

    const QString chemin = e.dossier.filePath("job.ini");
    QFile fichier(chemin);
    QVERIFY(job.isNull() || (fichier.open(QIODevice::WriteOnly) && fichier.write(job) == job.size()));
    fichier.close();
    auto* actions = f.findChild<ActionsLot*>();
    QVERIFY(actions);
    QCOMPARE(actions->actOuvrirLot()->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    actions->choisirOuverture = [&](const QString&) { return chemin; };
    actions->actOuvrirLot()->trigger();

    const QStringList boites = op.textes("erreur");
    QCOMPARE(boites.size(), 1);
    for (const QString& t : textes + QStringList{chemin})
        QVERIFY2(boites[0].contains(t), qPrintable(boites[0]));
    QCOMPARE(pages(), avant);
    QVERIFY(options.coche(CaseOption::cbIncPrel) && !options.coche(CaseOption::cbCreate));
}

QTEST_MAIN(TestLot)
#include "tst_lot.moc"
