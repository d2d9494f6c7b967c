#include "app/widgets/Lancement.h"

#include "kit/widgets/Apparence.h"
#include "app/widgets/OperateurFenetre.h"
#include "app/widgets/TfrmMain.h"
#include "batch/Traitement.h"
#include "batch/widgets/FenetreApercu.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QApplication>

struct FenetreProgramme::Parties
{
    fb::FinClient finClient;   // after the session below has closed its connection
    Session session;
    TfrmMain frmMain;
    OperateurFenetre operateur{&frmMain, frmMain.Label5()};
};

FenetreProgramme::FenetreProgramme()
{
    ChargerPolices();
    m_parties = std::make_unique<Parties>();
    Session& session = m_parties->session;
    TfrmMain& frmMain = m_parties->frmMain;
    OperateurFenetre& operateur = m_parties->operateur;
    QObject::connect(&session, &Session::titreChange, &frmMain, &QWidget::setWindowTitle);
    frmMain.installerPagesLot(session, operateur);
    frmMain.installerPageDoublons(session, operateur);
    // A simulation's summary offers its row changes; the run's thread waits while the box is up.
    frmMain.traitement()->setApercuSimulation(true);
    operateur.completerResume = [&frmMain, &operateur](QMessageBox& boite) {
        ProposerApercu(boite, frmMain.traitement()->dernierApercu(), operateur);
    };
    frmMain.surConnexion = [&session, &frmMain, &operateur] {
        if (OuvrirConnexionAuDemarrage(session, operateur))
            frmMain.activerPage(TfrmMain::PageLoadData);
        else
            frmMain.terminer(2);   // ends the process
    };
}

FenetreProgramme::~FenetreProgramme() = default;

TfrmMain& FenetreProgramme::frmMain() const
{
    return m_parties->frmMain;
}

Session& FenetreProgramme::session() const
{
    return m_parties->session;
}

int ExecuterFenetre(const OptionsLigneCommande&)
{
    FenetreProgramme programme;
    programme.frmMain().show();
    return QApplication::exec();
}
