#pragma once
#include "app/OperatorInterface.h"

#include <QTextStream>

// The operator of the command line: boxes become lines on standard error, the summary goes
// to standard output, the one yes/no question is answered by "--yes".
class ConsoleOperator : public OperatorInterface
{
public:
    explicit ConsoleOperator(bool repondreOui = false);

    void avertissement(const QString& texte) override;
    void erreur(const QString& texte) override;
    void information(const QString& texte) override;
    bool question(const QString& texte) override;
    void messageErreur(const QString& texte) override;
    void messageAvertissement(const QString& texte) override;
    void statut(const QString& texte) override;

private:
    void ecrireErreur(const QString& titre, const QString& texte);
    bool m_repondreOui;
};
