// The README's pictures of the window: each page, the overlap grid, a question box and, on a
// database, a simulation's summary. scripts/screenshots.sh runs it under Xvfb:
//   captures FOLDER [--racine DIR] [--base]
// Without --base, without a database (a further picture shows the overlap grid painting a few
// made-up rows); with --base, on the configured database once the start sequence has run.
// Exit 0, 1 (a picture could not be written), 2 (no connection), 64 (usage).
#include "kit/widgets/DBGridColor.h"
#include "app/widgets/Dialogues.h"
#include "app/widgets/Lancement.h"
#include "app/widgets/TfrmMain.h"
#include "batch/ControleurOptions.h"
#include "config/Environnement.h"
#include "db/Session.h"

#include <QApplication>
#include <QDate>
#include <QAbstractButton>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QPixmap>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <cstdio>

namespace {

bool enregistrer(QWidget& widget, const QDir& dossier, const QString& nom)
{
    QApplication::processEvents();
    const QString chemin = dossier.filePath(nom);
    if (widget.grab().save(chemin, "PNG")) {
        std::printf("%s\n", qPrintable(chemin));
        return true;
    }
    std::fprintf(stderr, "Impossible d'écrire %s : vérifiez le dossier et ses droits.\n", qPrintable(chemin));
    return false;
}

bool enregistrerQuestion(const QDir& dossier)
{
    TBoiteMessage question(QStringLiteral("Pas de message (solde) saisi, continuer ?"), gmConfirmation,
                           Bouton::Yes | Bouton::No, 0, Bouton::Yes, Bouton::No);
    question.show();
    const bool ok = enregistrer(question, dossier, QStringLiteral("question.png"));
    question.close();
    return ok;
}

// On the database: a simulation of "Créer un message" (it keeps nothing) and its summary box,
// caught as soon as it shows.
bool enregistrerResume(TfrmMain& fenetre, const QDir& dossier)
{
    if (!fenetre.controleurOptions())
        return true;
    fenetre.controleurOptions()->setCoche(CaseOption::cbMsg, true);
    fenetre.activerPage(TfrmMain::PageGo);
    bool ok = false;
    QTimer guet;
    guet.setInterval(50);
    QObject::connect(&guet, &QTimer::timeout, [&] {
        if (QWidget* boite = QApplication::activeModalWidget()) {
            guet.stop();
            // With its details open: the change counts are what the picture is for.
            if (auto* mb = qobject_cast<QMessageBox*>(boite))
                for (QAbstractButton* b : mb->buttons())
                    if (mb->buttonRole(b) == QMessageBox::ActionRole)
                        b->click();
            ok = enregistrer(*boite, dossier, QStringLiteral("resume-simulation.png"));
            boite->close();
        }
    });
    guet.start();
    // The simulation runs on its own thread: wait for its end, the summary box shown meanwhile.
    QEventLoop attente;
    QObject::connect(&fenetre, &TfrmMain::traitementTermine, &attente, &QEventLoop::quit);
    QTimer::singleShot(120000, &attente, &QEventLoop::quit);
    fenetre.btnSimulerClick();
    attente.exec();
    guet.stop();
    fenetre.controleurOptions()->setCoche(CaseOption::cbMsg, false);
    return ok;
}

int prendreCaptures(TfrmMain& fenetre, const QString& chemin, bool avecBase)
{
    QDir dossier(chemin);
    if (!dossier.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Impossible de créer le dossier %s.\n", qPrintable(chemin));
        return 1;
    }
    fenetre.show();
    bool ok = true;
    for (int i = 0; i < fenetre.pages()->count(); ++i) {
        fenetre.activerPage(i);
        const QString nom = fenetre.pages()->widget(i)->objectName();
        ok = enregistrer(fenetre, dossier, QStringLiteral("page-%1-%2.png").arg(i).arg(nom)) && ok;
    }

    TDBGridColor* grille = fenetre.DBGridColor1();
    QAbstractItemModel* modele = grille->model();
    if (avecBase && modele && modele->rowCount() > 3) {
        // Connected (screenshots.sh --demo): the page as entered, one row selected.
        grille->selectRow(3);
        ok = enregistrer(fenetre, dossier, QStringLiteral("page-3-tsDoublons.png")) && ok;
    } else {
        // Without a database the overlap grid is empty: a few made-up rows show its painting.
        QStandardItemModel exemple(6, 4);
        exemple.setHorizontalHeaderLabels({QStringLiteral("NUMERO_CLIENT"), QStringLiteral("NOM_CLIENT"),
                                           QStringLiteral("PRENOM_CLIENT"), QStringLiteral("ECHEANCE_PROCHAINE")});
        for (int r = 0; r < exemple.rowCount(); ++r) {
            exemple.setData(exemple.index(r, 0), qlonglong(10400 + 7 * r), Qt::EditRole);
            exemple.setData(exemple.index(r, 1), QStringLiteral("EXEMPLE %1").arg(r + 1), Qt::EditRole);
            exemple.setData(exemple.index(r, 2), QStringLiteral("Ligne"), Qt::EditRole);
            exemple.setData(exemple.index(r, 3), QDate(2024, 1, 5).addMonths(r), Qt::EditRole);
        }
        grille->setModel(&exemple);
        grille->selectRow(3);
        ok = enregistrer(fenetre, dossier, QStringLiteral("page-3-tsDoublons-exemple.png")) && ok;
        grille->setModel(modele);
    }
    if (avecBase)
        ok = enregistrerResume(fenetre, dossier) && ok;
    fenetre.activerPage(TfrmMain::PageLoadData);
    return enregistrerQuestion(dossier) && ok ? 0 : 1;
}

}   // namespace

int main(int argc, char* argv[])
{
    QString dossier;
    QString racine;
    bool avecBase = false;
    bool compris = true;
    for (int i = 1; i < argc && compris; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--base"))
            avecBase = true;
        else if (argument == QLatin1String("--racine") && i + 1 < argc)
            racine = QString::fromLocal8Bit(argv[++i]);
        else if (dossier.isEmpty() && !argument.startsWith(QLatin1Char('-')))
            dossier = argument;
        else
            compris = false;
    }
    if (!compris || dossier.isEmpty()) {
        std::fputs("usage: captures FOLDER [--racine DIR] [--base]\n", stderr);
        return 64;
    }
    if (!racine.isEmpty())
        DefinirDossierExecutable(racine);

    QApplication app(argc, argv);
    FenetreProgramme programme;
    TfrmMain& frmMain = programme.frmMain();
    frmMain.Timer1()->stop();
    if (avecBase) {
        frmMain.Timer1Timer();
        if (!programme.session().dbZelto.isOpen() || programme.session().centre < 1000)
            return 2;
    }
    return prendreCaptures(frmMain, dossier, avecBase);
}
