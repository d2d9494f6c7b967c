#pragma once
#include "operator/OperatorInterface.h"

#include <QTextStream>

// The operator of the command line: boxes become lines on standard error, the one yes/no
// question is answered by "--yes". A batch run (Mode::Lot) also shows its status texts, each
// with its time, and leaves the summary to the command, which prints it after the error lines.
class ConsoleOperator : public OperatorInterface
{
public:
    enum class Mode { Commande, Lot };
    explicit ConsoleOperator(Mode mode = Mode::Commande, bool repondreOui = false);

    void avertissement(const QString& texte) override;
    void erreur(const QString& texte) override;
    void information(const QString& texte) override;
    bool question(const QString& texte) override;
    void messageErreur(const QString& texte) override;
    void messageAvertissement(const QString& texte) override;
    void statut(const QString& texte) override;
    void resume(const QString& texte, const QStringList& details) override;

private:
    void ecrireErreur(const QString& titre, const QString& texte);
    Mode m_mode;
    bool m_repondreOui;
};
