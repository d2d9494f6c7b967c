#pragma once
// The system's own message box: it stays above every window, opens in the centre of the
// screen, and a close with the close box or Esc gives the answer of a chosen button.
#include <QDialog>
#include <QMap>
#include <QString>

class QPushButton;

// Kinds of message; the title is the numbered text given beside each.
enum TGenreMessage : int {
    gmAvertissement = 0,   // 278 "Avertissement"
    gmErreur = 1,          // 847 "Erreur"
    gmInformation = 2,     // 1137 "Information"
    gmConfirmation = 3,    // 519 "Confirmation"
};

// Buttons, as flags; they always appear left to right in this order.
namespace Bouton {
enum TBoutonMessage : quint32 {
    Yes = 0x001,
    No = 0x002,
    OK = 0x004,
    Cancel = 0x008,
    Abort = 0x010,
    Retry = 0x020,
    Ignore = 0x040,
    All = 0x080,
    NoToAll = 0x100,
    YesToAll = 0x200,
    Help = 0x400,
};
}   // namespace Bouton
using TBoutonMessage = Bouton::TBoutonMessage;
using TBoutonsMessage = quint32;

// Answer codes.
enum TReponseMessage : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// One box. BoiteMessage builds it, runs it modally and reads reponse(); tests show it
// without blocking and drive it with keys and closes.
class TBoiteMessage : public QDialog
{
    Q_OBJECT
public:
    TBoiteMessage(const QString& message, int genre, TBoutonsMessage boutons, int aide,
                  TBoutonMessage boutonDefaut, TBoutonMessage boutonAnnulation, QWidget* parent = nullptr);

    QPushButton* bouton(TBoutonMessage bouton) const { return m_boutons.value(bouton); }
    QList<QPushButton*> boutonsDansLOrdre() const;

    // The answer once the box has closed: the pressed button's code, or, for a close that
    // pressed no button in a box without Cancel, the code of the cancel button.
    int reponse() const;

Q_SIGNALS:
    // Help does not close the box; this system has no help file to open.
    void aideDemandee(int contexte);

public Q_SLOTS:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;

private:
    void centrerSurEcran();

    QMap<TBoutonMessage, QPushButton*> m_boutons;
    TBoutonsMessage m_ensemble;
    TBoutonMessage m_boutonAnnulation;
    int m_aide;
};

int BoiteMessage(const QString& message, int genre, TBoutonsMessage boutons, int aide,
                 TBoutonMessage boutonDefaut, TBoutonMessage boutonAnnulation);
// Picks the default button (Yes, else No, else OK, else Cancel) and the cancel button
// (Cancel, else No).
int BoiteMessageSimple(const QString& message, int genre, TBoutonsMessage boutons, int aide);
TBoutonMessage BoutonDefautSimple(TBoutonsMessage boutons);
TBoutonMessage BoutonAnnulationSimple(TBoutonsMessage boutons);

bool Question(const QString& texte);
void MessageErreur(const QString& texte);
void MessageAvertissement(const QString& texte);
