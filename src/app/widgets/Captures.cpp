#include "app/widgets/Captures.h"

#include "app/widgets/Dialogues.h"
#include "app/widgets/TfrmMain.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QStackedWidget>
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

}   // namespace

int PrendreCaptures(TfrmMain& fenetre, const QString& chemin)
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
    fenetre.activerPage(TfrmMain::PageLoadData);

    TBoiteMessage question(QStringLiteral("Pas de message (solde) saisi, continuer ?"), gmConfirmation,
                           Bouton::Yes | Bouton::No, 0, Bouton::Yes, Bouton::No);
    question.show();
    ok = enregistrer(question, dossier, QStringLiteral("question.png")) && ok;
    question.close();
    return ok ? 0 : 1;
}
