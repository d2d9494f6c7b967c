#pragma once
// Fonts, colours and anchoring shared by the window, the dialog and the grid.
#include <QColor>
#include <QFont>
#include <QObject>
#include <QPalette>
#include <QtGlobal>

class QWidget;

// Colours are stored as 0x00BBGGRR; a high byte of 0xFF marks a reference to a system colour
// whose low byte is the system colour's index.
inline constexpr quint32 clWindow = 0xFF000005;        // window background (grids, editors)
inline constexpr quint32 clWindowText = 0xFF000008;
inline constexpr quint32 clBtnFace = 0xFF00000F;
inline constexpr quint32 clHighlight = 0xFF00000D;
inline constexpr quint32 clHighlightText = 0xFF00000E;

inline constexpr quint32 kBleuBouton = 9974299;   // RGB(27,50,152): label buttons
inline constexpr quint32 kRouge = 0x000000FF;
inline constexpr quint32 kBleu = 0x00FF0000;

// A stored colour as a QColor; system colours are looked up in palette.
QColor CouleurQt(quint32 couleur, const QPalette& palette = QPalette());

// Sets role to the stored colour in every colour group of the widget's palette.
void AppliquerCouleur(QWidget* widget, QPalette::ColorRole role, quint32 couleur);

// Makes the stand-in fonts known to the application (Tahoma from Wine when Tahoma itself is
// not installed). Cheap: call it before building any widget.
void ChargerPolices();

// The family asked for: Calibri or Tahoma where installed, otherwise their metric-compatible
// stand-ins (Carlito; Wine's Tahoma, which carries the name Tahoma).
QString FamilleCalibri();
QString FamilleTahoma();

// Heights are character heights in pixels.
QFont PoliceCalibri(int hauteurPixels, bool gras = false);
QFont PoliceTahoma(int hauteurPixels, bool gras = false);

// Keeps a child at fixed distances from its parent's bottom edge and from its left or right
// edge whenever the parent is resized (the pages get their size late, from the page area).
class AncrageBas : public QObject
{
public:
    enum Cote { Gauche, Droite };
    static void ancrer(QWidget* enfant, Cote cote, int margeCote, int margeBas);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    AncrageBas(QWidget* enfant, Cote cote, int margeCote, int margeBas);
    void placer();

    QWidget* m_enfant;
    Cote m_cote;
    int m_margeCote;
    int m_margeBas;
};
