#include "app/widgets/Lancement.h"

#include "app/widgets/Apparence.h"
#include "app/widgets/Captures.h"
#include "app/widgets/TfrmMain.h"

#include <QApplication>
#include <QTimer>

int ExecuterFenetre(const OptionsLigneCommande&)
{
    ChargerPolices();
    TfrmMain frmMain;

    // Screenshot mode: pictures of the pages and of a question box, without a database.
    const QString dossierCaptures = qEnvironmentVariable("MSP_SCREENSHOTS");
    if (!dossierCaptures.isEmpty()) {
        frmMain.Timer1()->stop();
        return PrendreCaptures(frmMain, dossierCaptures);
    }

    frmMain.show();
    return QApplication::exec();
}
