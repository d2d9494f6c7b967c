#include "app/widgets/ActionsLot.h"

#include "app/widgets/TfrmMain.h"
#include "batch/ControleurSelection.h"
#include "batch/EcritureLot.h"
#include "db/Session.h"
#include "kit/widgets/LabelBouton.h"
#include "operator/OperatorInterface.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

namespace {

const QString kFiltre = QStringLiteral("Fichiers de lot (*.ini);;Tous les fichiers (*)");

} // namespace

ActionsLot::ActionsLot(TfrmMain& fenetre, QWidget* entete, Session& session, ControleurSelection& selection,
                       ControleurOptions& options, OperatorInterface& operateur)
    : QObject(&fenetre), m_fenetre(fenetre), m_session(session), m_selection(selection), m_options(options),
      m_operateur(operateur)
{
    setObjectName(QStringLiteral("ActionsLot"));
    m_menu = new QMenu(&fenetre);
    m_menu->setObjectName(QStringLiteral("mnuLot"));
    m_enregistrer = m_menu->addAction(QStringLiteral("Enregistrer le lot..."), this, &ActionsLot::enregistrer);
    m_enregistrer->setObjectName(QStringLiteral("actEnregistrerLot"));
    m_enregistrer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_ouvrir = m_menu->addAction(QStringLiteral("Ouvrir un lot..."), this, &ActionsLot::ouvrir);
    m_ouvrir->setObjectName(QStringLiteral("actOuvrirLot"));
    m_ouvrir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    // Shortcuts of the window's actions work whatever page has the focus.
    fenetre.addAction(m_enregistrer);
    fenetre.addAction(m_ouvrir);

    // At the right end of the header band, as "Quitter" in the footer.
    auto* bouton = TLabelBouton::transparent(QStringLiteral("btnLot"), QStringLiteral("Lot ▾"), 16, entete);
    bouton->setGeometry(entete->width() - 3 - 80, 3, 80, entete->height() - 6);
    bouton->setAlignment(Qt::AlignCenter);
    connect(bouton, &TLabelBouton::clicked, this,
            [this, bouton] { m_menu->popup(bouton->mapToGlobal(QPoint(0, bouton->height()))); });

    const auto propose = [this](const QString& nom) {
        return m_dernier.isEmpty() ? QDir::home().filePath(nom) : m_dernier;
    };
    choisirEnregistrement = [this, propose](const QString&) {
        return QFileDialog::getSaveFileName(&m_fenetre, QStringLiteral("Enregistrer le lot"), propose(QStringLiteral("lot.ini")),
                                            kFiltre);
    };
    choisirOuverture = [this, propose](const QString&) {
        return QFileDialog::getOpenFileName(&m_fenetre, QStringLiteral("Ouvrir un lot"), propose(QString()), kFiltre);
    };
}

bool ActionsLot::occupe()
{
    // The run's thread reads the pages until it ends.
    if (m_fenetre.traitementEnCours()) {
        m_operateur.information(QStringLiteral("Un traitement est en cours : enregistrez ou ouvrez le lot une fois "
                                               "qu'il est terminé."));
        return true;
    }
    return false;
}

void ActionsLot::enregistrer()
{
    if (occupe())
        return;
    const QString chemin = choisirEnregistrement ? choisirEnregistrement(m_dernier) : QString();
    if (chemin.isEmpty())
        return;
    try {
        ecriture_lot::EnregistrerLot(m_selection, m_options, chemin, m_session.centre, QDateTime::currentDateTime());
        m_dernier = chemin;
    } catch (const ErreurFichierLot& e) {
        m_operateur.erreur(e.message());
    }
}

void ActionsLot::ouvrir()
{
    if (occupe())
        return;
    // The boxes' click handling reads the database, and the start state would undo the job.
    if (!m_session.dbZelto.isOpen() || !m_selection.demarre()) {
        m_operateur.avertissement(QStringLiteral("La connexion à la base n'est pas ouverte : un lot ne peut être ouvert "
                                                 "qu'une fois la page de sélection prête."));
        return;
    }
    const QString chemin = choisirOuverture ? choisirOuverture(m_dernier) : QString();
    if (chemin.isEmpty())
        return;
    try {
        ecriture_lot::OuvrirLot(m_selection, m_options, chemin);
        m_dernier = chemin;
    } catch (const ErreurFichierLot& e) {
        m_operateur.erreur(e.message());
    }
}
