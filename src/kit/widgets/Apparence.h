#pragma once
// Fonts, colours, plain labels and anchoring shared by the window, its pages, the dialog and the grid.
#include <QColor>
#include <QFont>
#include <QObject>
#include <QPalette>
#include <QtGlobal>

class QLabel;
class QWidget;

// Colours are stored as 0x00BBGGRR; a high byte of 0xFF marks a reference to a system colour
// whose low byte is the system colour's index.
inline constexpr quint32 kCouleurSysteme = 0xFF000000;
inline constexpr quint32 clWindow = kCouleurSysteme | 0x05;        // window background (grids, editors)
inline constexpr quint32 clWindowText = kCouleurSysteme | 0x08;
inline constexpr quint32 clBtnFace = kCouleurSysteme | 0x0F;
inline constexpr quint32 clHighlight = kCouleurSysteme | 0x0D;
inline constexpr quint32 clHighlightText = kCouleurSysteme | 0x0E;

inline constexpr quint32 kNoir = 0x00000000;
inline constexpr quint32 kBlanc = 0x00FFFFFF;
inline constexpr quint32 kRouge = 0x000000FF;
inline constexpr quint32 kBleu = 0x00FF0000;
inline constexpr quint32 kBleuBouton = 0x0098321B;     // RGB(27,50,152): label buttons, design bands
inline constexpr quint32 kBleuClair = 0x00FFDBBF;      // RGB(191,219,255): the bands at run time
inline constexpr quint32 kGrisFond = 0x00F3F3F3;       // RGB(243,243,243): the window at run time
inline constexpr quint32 kGrisTexteInactif = 0x00A0A0A0;   // RGB(160,160,160): a disabled label button
inline constexpr quint32 kGris = 0x00808080;           // RGB(128,128,128): a bare grid's even rows
inline constexpr quint32 kBleuLigne = 0x00F5EDD3;      // RGB(211,237,245): the overlap grid's even rows
inline constexpr quint32 kVertSelection = 0x00408000;  // RGB(0,128,64): a grid's selected row

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

// A label named nom that shows texte as it is (no rich text).
QLabel* Etiquette(QWidget* parent, const QString& nom, const QString& texte);

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
