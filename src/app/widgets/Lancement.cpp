#include "app/widgets/Lancement.h"

#include "kit/widgets/Apparence.h"
#include "app/widgets/Captures.h"
#include "app/widgets/OperateurFenetre.h"
#include "app/widgets/TfrmMain.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QApplication>
#include <QTimer>

int ExecuterFenetre(const OptionsLigneCommande&)
{
    ChargerPolices();
    fb::FinClient finClient;   // after the session below has closed its connection
    Session session;
    TfrmMain frmMain;
    OperateurFenetre operateur(&frmMain, frmMain.Label5());
    QObject::connect(&session, &Session::titreChange, &frmMain, &QWidget::setWindowTitle);
    frmMain.installerPagesLot(session, operateur);
    frmMain.installerPageDoublons(session, operateur);
    frmMain.surConnexion = [&] {
        if (OuvrirConnexionAuDemarrage(session, operateur))
            frmMain.activerPage(TfrmMain::PageLoadData);
        else
            frmMain.terminer(2);   // ends the process
    };

    // Screenshot mode: pictures of the pages and of a question box, without a database, or on
    // the configured one with MSP_SCREENSHOTS_BASE (the start sequence runs first).
    const QString dossierCaptures = qEnvironmentVariable("MSP_SCREENSHOTS");
    if (!dossierCaptures.isEmpty()) {
        frmMain.Timer1()->stop();
        const bool avecBase = qEnvironmentVariableIsSet("MSP_SCREENSHOTS_BASE");
        if (avecBase) {
            frmMain.Timer1Timer();
            if (!session.dbZelto.isOpen() || session.centre < 1000)
                return 2;
        }
        return PrendreCaptures(frmMain, dossierCaptures, avecBase);
    }

    frmMain.show();
    return QApplication::exec();
}
