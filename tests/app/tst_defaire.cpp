// Undoing a run from the window, offscreen on the club test database: a real run, then
// "Défaire le dernier traitement" or the menu's journal, answered yes or no, with or without a
// row changed in between; the rows the run touched are compared whole.
#include "common/EnvironnementIsole.h"
#include "common/SessionEssai.h"
#include "app/widgets/TfrmMain.h"
#include "annulation/Annulation.h"
#include "annulation/ControleurDefaire.h"
#include "annulation/JournalAnnulation.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "common/RecordingOperator.h"
#include "kit/widgets/LabelBouton.h"

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Every column of every row of the tables the run changes.
QStringList Lignes(SessionEssai& e)
{
    QStringList r;
    fb::Transaction tr(e.session.dbZelto);
    tr.start();
    for (const QString t : {"ECHEANCIER", "CLIENTS_ACTIVITE", "CLIENTS_MESSAGE"}) {
        fb::Query q(e.session.dbZelto, tr);
        q.setSql(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(t));
        for (q.execute(); !q.eof(); q.next()) {
            QStringList c{t};
            for (int i = 0; i < q.columnCount(); ++i)
                c << q.value(i).toString();
            r << c.join(QLatin1Char('|'));
        }
        q.close();
    }
    tr.commit();
    return r;
}

} // namespace

class TestDefaire : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;

private Q_SLOTS:
    void initTestCase() { IsolerEnvironnement(m_dossier); }
    void cleanupTestCase() { fb::Client::arreter(); }

    void defaire_data()
    {
        QTest::addColumn<QString>("voie");   // "bouton", "menu", or "menu" on a file that is no journal
        QTest::addColumn<bool>("oui");
        QTest::addColumn<bool>("conflit");   // a message changed by another transaction first
        QTest::newRow("button, yes") << "bouton" << true << false;
        QTest::newRow("button, no") << "bouton" << false << false;
        QTest::newRow("row changed since") << "bouton" << true << true;
        QTest::newRow("menu, yes") << "menu" << true << false;
        QTest::newRow("menu, not a journal") << "autre" << true << false;
    }

    void defaire()
    {
        QFETCH(QString, voie);
        QFETCH(bool, oui);
        QFETCH(bool, conflit);
        SessionEssai e;
        RecordingOperator op;
        TfrmMain f;
        f.Timer1()->stop();
        f.installerPagesLot(e.session, op);
        f.controleurSelection()->etatDemarrage();
        ControleurOptions& o = *f.controleurOptions();
        o.setCoche(CaseOption::cbIncPrel, true);
        o.setCoche(CaseOption::cbMsg, true);
        o.setTexte(QStringLiteral("Memo1"), QStringLiteral("Bonjour"));
        f.show();
        f.activerPage(TfrmMain::PageGo);
        QVERIFY(!f.btnDefaire()->isEnabled());
        const QStringList avant = Lignes(e);

        QSignalSpy fin(&f, &TfrmMain::traitementTermine);
        QTest::mouseClick(f.btnTraiter(), Qt::LeftButton);
        QVERIFY(fin.wait(60000));
        const QString journal = f.controleurDefaire()->dernier();
        const qint64 lignes = Annulation::Lire(journal).lignes;
        QVERIFY2(lignes > 0 && f.btnDefaire()->isEnabled(), qPrintable(journal));
        const QString cle = QString::number(e.entier(QStringLiteral("SELECT MIN(CMG_ID) FROM CLIENTS_MESSAGE")));
        if (conflit)
            e.executer({QStringLiteral("UPDATE CLIENTS_MESSAGE SET CMG_MESSAGE = 'autre' WHERE CMG_ID = ") + cle});
        const QStringList apres = Lignes(e);
        QVERIFY(apres != avant);

        op.messages.clear();
        op.reponseQuestion = oui;
        f.activerPage(TfrmMain::PageGo);
        QString choisi = journal;
        if (voie == QLatin1String("autre")) {
            choisi = e.dossier.filePath(QStringLiteral("autre.sql"));
            QFile fichier(choisi);
            QVERIFY(fichier.open(QIODevice::WriteOnly) && fichier.write("SELECT 1 FROM RDB$DATABASE;\n") > 0);
        }
        QString dossier;
        f.pageTraitement()->choisirJournal = [&](const QString& d) {
            dossier = d;
            return choisi;
        };
        if (voie == QLatin1String("bouton"))
            QTest::mouseClick(f.btnDefaire(), Qt::LeftButton);
        else
            f.findChild<QAction*>(QStringLiteral("actDefaire"))->trigger();
        if (voie != QLatin1String("bouton"))
            QCOMPARE(dossier, journal_annulation::Dossier());
        if (voie == QLatin1String("autre")) {
            QCOMPARE(op.messages.size(), 1);
            QVERIFY2(op.textes("erreur").value(0).contains(choisi), qPrintable(op.messages.value(0).texte));
        } else {
            QCOMPARE(op.textes("question"), QStringList{ControleurDefaire::TexteQuestion(Annulation::Lire(journal).moment, lignes)});
        }
        const bool defait = oui && !conflit && voie != QLatin1String("autre");
        if (oui && voie != QLatin1String("autre"))
            QVERIFY(fin.wait(60000));
        QCOMPARE(Lignes(e), defait ? avant : apres);
        QCOMPARE(f.btnDefaire()->isEnabled(), !defait);
        QVERIFY(f.findChild<QAction*>(QStringLiteral("actDefaire"))->isEnabled());
        if (defait) {
            const QString resume = op.textes("information").value(0);
            QVERIFY2(resume.endsWith(QStringLiteral("Annulation terminée : %1 ligne(s) rétablie(s).").arg(lignes)),
                     qPrintable(resume));
            QVERIFY(op.textes("erreur").isEmpty());
        }
        if (conflit) {
            const QString refus = op.textes("erreur").value(0);
            QVERIFY2(refus.contains(QStringLiteral("CLIENTS_MESSAGE ")) && refus.contains(cle), qPrintable(refus));
            QVERIFY(op.textes("information").isEmpty());
        }
    }
};

QTEST_MAIN(TestDefaire)
#include "tst_defaire.moc"
