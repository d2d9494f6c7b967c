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
    // tsDoublons holds Label13, DBGridColor1 and the band pnlDoublonsPied (built with the window).
    PageDoublons(QWidget* tsDoublons, ControleurDoublons& controleur);

    TLabelBouton* btnExporter() const { return m_btnExporter; }

    // The save dialog of "Exporter"; an empty text when cancelled. Tests put a file name here.
    std::function<QString()> choisirFichier;
    QString dialogueFichier();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void appliquerTri();

    QWidget* m_page;
    ControleurDoublons& m_controleur;
    QLabel* m_label13 = nullptr;
    TDBGridColor* m_grille = nullptr;
    TLabelBouton* m_btnExporter = nullptr;
};
