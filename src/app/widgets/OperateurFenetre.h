#pragma once
// The operator as the window meets it: the toolkit's message box for checks and summaries,
// the system's dialog for connection failures and the run's question, Label5 for status.
#include "operator/OperatorInterface.h"

#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <memory>

class QLabel;

class OperateurFenetre : public OperatorInterface
{
public:
    OperateurFenetre(QWidget* fenetre, QLabel* statut);

    void avertissement(const QString& texte) override;
    void erreur(const QString& texte) override;
    void information(const QString& texte) override;
    bool question(const QString& texte) override;
    void messageErreur(const QString& texte) override;
    void messageAvertissement(const QString& texte) override;
    void statut(const QString& texte) override;
    void resume(const QString& texte, const QStringList& details) override;

    // Adds the window's own choices to a summary box before it is shown.
    std::function<void(QMessageBox&)> completerResume;

    // The toolkit's box with its French title and one "OK" button, not yet shown.
    static std::unique_ptr<QMessageBox> ConstruireBoite(QMessageBox::Icon icone, const QString& texte,
                                                        QWidget* parent);

private:
    void montrer(QMessageBox::Icon icone, const QString& texte);

    QPointer<QWidget> m_fenetre;
    QPointer<QLabel> m_statut;
};
