#include "app/widgets/Lancement.h"

#include "app/widgets/Apparence.h"
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

    // Screenshot mode: pictures of the pages and of a question box, without a database.
    const QString dossierCaptures = qEnvironmentVariable("MSP_SCREENSHOTS");
    if (!dossierCaptures.isEmpty()) {
        frmMain.Timer1()->stop();
        // With a database (screenshots.sh --demo), connected as at start: the pages show its data.
        if (qEnvironmentVariableIsSet("MSP_SCREENSHOTS_BASE")) {
            frmMain.Timer1Timer();
            if (!session.dbZelto.isOpen())
                return 2;
        }
        return PrendreCaptures(frmMain, dossierCaptures);
    }

    frmMain.show();
    return QApplication::exec();
}
