#include "app/widgets/PanneauSauvegarde.h"

#include "operator/OperatorInterface.h"
#include "kit/widgets/Apparence.h"
#include "kit/widgets/LabelBouton.h"
#include "db/Sauvegarde.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QProgressBar>

namespace {

// Keeps the window painted while the backup holds the event loop; the operator's clicks
// wait (the page is disabled anyway).
void repeindre()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

PanneauSauvegarde::PanneauSauvegarde(QWidget* page) : QObject(page), m_page(page)
{
    setObjectName(QStringLiteral("PanneauSauvegarde"));
    m_bouton = new TLabelBouton(QStringLiteral("btnSauvegarder"), QStringLiteral("Sauvegarder"), page);
    connect(m_bouton, &TLabelBouton::clicked, this, &PanneauSauvegarde::btnSauvegarderClick);

    m_indicateur = new QProgressBar(page);
    m_indicateur->setObjectName(QStringLiteral("pbSauvegarde"));
    m_indicateur->setRange(0, 0);   // gbak tells what it does, not how far it is
    m_indicateur->setTextVisible(false);
    m_indicateur->hide();

    m_ligne = new QLabel(page);
    m_ligne->setObjectName(QStringLiteral("lblSauvegarde"));
    m_ligne->setTextFormat(Qt::PlainText);
    m_ligne->setFont(PoliceTahoma(11));
    AppliquerCouleur(m_ligne, QPalette::WindowText, kBleu);
    m_ligne->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_ligne->hide();

    demanderFichier = [this](const QString& propose, bool local) { return demanderParDialogue(propose, local); };
}

QString PanneauSauvegarde::demanderParDialogue(const QString& propose, bool local) const
{
    if (local)
        // The existing-file rule is the backup's own: it explains itself better than the
        // dialog's replace question, whose "yes" it would refuse anyway.
        return QFileDialog::getSaveFileName(m_page->window(), QStringLiteral("Sauvegarder la base"), propose,
                                            QStringLiteral("Sauvegardes Firebird (*.fbk);;Tous les fichiers (*)"),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    // The file is written on the server's machine, which no local dialog can browse.
    bool ok = false;
    const QString nom = QInputDialog::getText(m_page->window(), QStringLiteral("Sauvegarder la base"),
                                              QStringLiteral("Fichier de sauvegarde, sur le serveur :"),
                                              QLineEdit::Normal, propose, &ok);
    return ok ? nom : QString();
}

void PanneauSauvegarde::montrerLigne(const QString& ligne)
{
    m_ligne->setText(m_ligne->fontMetrics().elidedText(ligne.trimmed(), Qt::ElideMiddle, m_ligne->width()));
    repeindre();
}

void PanneauSauvegarde::btnSauvegarderClick()
{
    if (m_enCours || !m_operateur)
        return;
    const SauvegardeBase sauvegarde;
    const QString fichier = demanderFichier ? demanderFichier(sauvegarde.nomPropose(), sauvegarde.serveurLocal()) : QString();
    if (fichier.trimmed().isEmpty())
        return;

    m_enCours = true;
    m_page->setEnabled(false);
    m_ligne->clear();
    m_indicateur->show();
    m_ligne->show();
    m_ligne->raise();
    repeindre();
    // As SauvegarderEtInformer, but the page comes back before the final box shows.
    QString fait;
    QString echec;
    try {
        fait = sauvegarde.sauvegarder(fichier, [this](const QString& l) { montrerLigne(l); }, repeindre);
    } catch (const ErreurSauvegarde& e) {
        echec = e.texte();
    }
    m_indicateur->hide();
    m_ligne->hide();
    m_page->setEnabled(true);
    m_enCours = false;
    if (echec.isEmpty())
        m_operateur->information(SauvegardeBase::messageTermine(fait));
    else
        m_operateur->erreur(echec);
}
