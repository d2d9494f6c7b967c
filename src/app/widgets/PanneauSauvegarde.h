#pragma once
// The run page's backup: the "Sauvegarder" label button and, while a backup runs, a busy
// indicator with the backup's latest line. The rules (proposed name, checks, the backup
// itself) are the core's SauvegardeBase; the end is told through the operator interface.
#include <QObject>
#include <QString>
#include <functional>

class OperatorInterface;
class QLabel;
class QProgressBar;
class QWidget;
class TLabelBouton;

class PanneauSauvegarde : public QObject
{
    Q_OBJECT
public:
    // Puts the button and the indicator on `page` (the caller places them).
    explicit PanneauSauvegarde(QWidget* page);

    void setOperateur(OperatorInterface* operateur) { m_operateur = operateur; }

    // Asks for the backup file, starting from the proposed name; an empty text gives up.
    // `local`: the server is this machine, so its files can be browsed. Replaced by tests.
    std::function<QString(const QString& propose, bool local)> demanderFichier;

    TLabelBouton* btnSauvegarder() const { return m_bouton; }
    QProgressBar* pbSauvegarde() const { return m_indicateur; }
    QLabel* lblSauvegarde() const { return m_ligne; }
    bool enCours() const { return m_enCours; }

public Q_SLOTS:
    void btnSauvegarderClick();

private:
    QString demanderParDialogue(const QString& propose, bool local) const;
    void montrerLigne(const QString& ligne);

    QWidget* m_page;
    TLabelBouton* m_bouton = nullptr;
    QProgressBar* m_indicateur = nullptr;
    QLabel* m_ligne = nullptr;
    OperatorInterface* m_operateur = nullptr;
    bool m_enCours = false;
};
