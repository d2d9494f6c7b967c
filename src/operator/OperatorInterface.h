#pragma once
#include <QString>
#include <QStringList>

// How the core talks to the operator. The main window answers with message boxes and the
// system dialog; the command line with lines on standard error and standard output; tests
// with a recorder. The core never shows a widget itself.
class OperatorInterface
{
public:
    virtual ~OperatorInterface() = default;

    // The toolkit's plain message box: titles "Avertissement", "Erreur", "Information".
    virtual void avertissement(const QString& texte) = 0;
    virtual void erreur(const QString& texte) = 0;
    virtual void information(const QString& texte) = 0;

    // The system's own dialog (Dialogues): Question, MessageErreur, MessageAvertissement.
    virtual bool question(const QString& texte) = 0;
    virtual void messageErreur(const QString& texte) = 0;
    virtual void messageAvertissement(const QString& texte) = 0;

    // Status text of the run page (Label5).
    virtual void statut(const QString& texte) = 0;

    // The run's summary: the "Information" box, with what each operation changed in its
    // details part (one line each; empty when nothing changed).
    virtual void resume(const QString& texte, const QStringList& details)
    {
        Q_UNUSED(details);
        information(texte);
    }
};
