#pragma once
// "Voir les changements": the simulation's row changes in the two-colour grid, read lazily
// from the preview, sorted by a click on a column title, with "Exporter" to the CSV file of
// --apercu and above the grid the count of rows and columns changed per table.
#include <QDialog>
#include <functional>
#include <memory>

class ApercuChangements;
class ModeleApercu;
class OperatorInterface;
class QLabel;
class QMessageBox;
class TDBGridColor;
class TLabelBouton;

class FenetreApercu : public QDialog
{
    Q_OBJECT
public:
    FenetreApercu(std::shared_ptr<const ApercuChangements> apercu, OperatorInterface& operateur,
                  QWidget* parent = nullptr);

    // The export's file name; by default the system's save dialog (tests answer it).
    std::function<QString()> choisirFichier;
    void exporter();

    TDBGridColor* grille() const { return m_grille; }
    QLabel* comptes() const { return m_comptes; }
    TLabelBouton* btnExporter() const { return m_btnExporter; }
    ModeleApercu* modele() const { return m_modele; }

private:
    std::shared_ptr<const ApercuChangements> m_apercu;
    OperatorInterface& m_operateur;
    ModeleApercu* m_modele = nullptr;
    TDBGridColor* m_grille = nullptr;
    QLabel* m_comptes = nullptr;
    TLabelBouton* m_btnExporter = nullptr;
};

// The summary box of a simulation that has a preview gets "Voir les changements", which opens
// the preview beside the window once the box has closed.
void ProposerApercu(QMessageBox& boite, std::shared_ptr<const ApercuChangements> apercu, OperatorInterface& operateur);
