#pragma once
// The overlap page's controls mirroring its controller: entering the page (shown as the
// active page) and leaving or hiding it go to the controller, the grid shows its dataset,
// a click on a column title sorts, "Exporter" writes the CSV file the operator names.
#include <QObject>
#include <QString>
#include <functional>

class ControleurDoublons;
class QLabel;
class TDBGridColor;
class TLabelBouton;
class QWidget;

class PageDoublons : public QObject
{
    Q_OBJECT
public:
    // Builds Label13, DBGridColor1 and the bottom band with "Précédent" on tsDoublons; the
    // window shows them before any connection, so the controller comes later.
    explicit PageDoublons(QWidget* tsDoublons);

    // From here entering the page reads the overlaps, and "Exporter" stands on the band.
    void installer(ControleurDoublons& controleur);

    QLabel* Label13() const { return m_label13; }
    TDBGridColor* DBGridColor1() const { return m_grille; }
    // "Précédent": where it leads is the window's navigation.
    TLabelBouton* Label14() const { return m_label14; }
    TLabelBouton* btnExporter() const { return m_btnExporter; }

    // The save dialog of "Exporter"; an empty text when cancelled. Tests put a file name here.
    std::function<QString()> choisirFichier;
    QString dialogueFichier();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void construireGrille();
    void appliquerTri();

    QWidget* m_page;
    ControleurDoublons* m_controleur = nullptr;
    QLabel* m_label13 = nullptr;
    TDBGridColor* m_grille = nullptr;
    QWidget* m_bande = nullptr;
    TLabelBouton* m_label14 = nullptr;
    TLabelBouton* m_btnExporter = nullptr;
};
