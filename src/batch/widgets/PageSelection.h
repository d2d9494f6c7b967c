#pragma once
// The client-selection page's controls, built inside the page and mirroring the selection
// controller: the operator's actions go to the controller, its state comes back here.
#include <QObject>

class ControleurSelection;
class OperatorInterface;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

class PageSelection : public QObject
{
    Q_OBJECT
public:
    PageSelection(QWidget* tsLoadData, ControleurSelection& controleur, OperatorInterface& operateur);

    QGroupBox* rgSource() const { return m_rgSource; }
    QLabel* lblCompteTemp() const { return m_lblCompteTemp; }
    QLineEdit* champFichier() const { return m_champFichier; }
    QCheckBox* cbxMultiCentre() const { return m_cbxMultiCentre; }

    // The browse button's dialog: an existing CSV file, or an empty text when cancelled.
    QString choisirFichier();

private:
    void synchroniser();
    void appliquerCouleurMultiCentre();
    template <typename F>
    void executer(F&& action);

    QWidget* m_page;
    ControleurSelection& m_controleur;
    OperatorInterface& m_operateur;
    QGroupBox* m_rgSource = nullptr;
    QButtonGroup* m_boutonsSource = nullptr;
    QLabel* m_lblCompteTemp = nullptr;
    QLabel* m_label1 = nullptr;
    QWidget* m_jvFilenameEdit1 = nullptr;
    QLineEdit* m_champFichier = nullptr;
    QToolButton* m_parcourir = nullptr;
    QCheckBox* m_cbxMultiCentre = nullptr;
};
