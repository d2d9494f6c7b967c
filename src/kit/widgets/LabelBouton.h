#pragma once
// A label that serves as a button: the pages change only through these.
#include <QLabel>

class TLabelBouton : public QLabel
{
    Q_OBJECT
public:
    // The navigation size, and the distance of navigation buttons from their page's edges.
    static constexpr int kLargeur = 88;
    static constexpr int kHauteur = 26;
    static constexpr int kMarge = 8;

    // The navigation style: Calibri 13 bold white on an opaque RGB(27,50,152), kLargeur x kHauteur.
    TLabelBouton(const QString& nom, const QString& texte, QWidget* parent);

    // White bold text on whatever lies beneath (the "Quitter" of the footer band).
    static TLabelBouton* transparent(const QString& nom, const QString& texte, int hauteurPolice, QWidget* parent);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* evenement) override;
    void mouseReleaseEvent(QMouseEvent* evenement) override;

private:
    bool m_appuye = false;
};
