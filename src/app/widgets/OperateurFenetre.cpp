#include "app/widgets/OperateurFenetre.h"

#include "app/widgets/Dialogues.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

OperateurFenetre::OperateurFenetre(QWidget* fenetre, QLabel* statut)
    : m_fenetre(fenetre), m_statut(statut)
{
}

std::unique_ptr<QMessageBox> OperateurFenetre::ConstruireBoite(QMessageBox::Icon icone, const QString& texte,
                                                               QWidget* parent)
{
    QString titre;
    switch (icone) {
    case QMessageBox::Warning: titre = QStringLiteral("Avertissement"); break;
    case QMessageBox::Critical: titre = QStringLiteral("Erreur"); break;
    case QMessageBox::Information: titre = QStringLiteral("Information"); break;
    case QMessageBox::Question: titre = QStringLiteral("Confirmation"); break;
    case QMessageBox::NoIcon: break;
    }
    auto boite = std::make_unique<QMessageBox>(icone, titre, texte, QMessageBox::Ok, parent);
    boite->setTextFormat(Qt::PlainText);
    // The caption is ours whatever translation Qt has loaded.
    boite->button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    return boite;
}

void OperateurFenetre::montrer(QMessageBox::Icon icone, const QString& texte)
{
    ConstruireBoite(icone, texte, m_fenetre)->exec();
}

void OperateurFenetre::avertissement(const QString& texte)
{
    montrer(QMessageBox::Warning, texte);
}

void OperateurFenetre::erreur(const QString& texte)
{
    montrer(QMessageBox::Critical, texte);
}

void OperateurFenetre::information(const QString& texte)
{
    montrer(QMessageBox::Information, texte);
}

void OperateurFenetre::resume(const QString& texte, const QStringList& details)
{
    auto boite = ConstruireBoite(QMessageBox::Information, texte, m_fenetre);
    if (!details.isEmpty()) {
        boite->setDetailedText(details.join(QLatin1Char('\n')));
        // The toolkit's toggle button speaks English whatever translation is loaded: ours
        // relabels it after each of the toolkit's own toggles.
        for (QAbstractButton* b : boite->buttons())
            if (boite->buttonRole(b) == QMessageBox::ActionRole) {
                b->setText(QStringLiteral("Afficher les détails..."));
                b->setMinimumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("Afficher les détails...")) + 24);
                QObject::connect(b, &QAbstractButton::clicked, b, [b] {
                    // Once the toolkit has set its own label for the new state.
                    QTimer::singleShot(0, b, [b] {
                        b->setText(b->text().startsWith(QLatin1String("Hide")) ? QStringLiteral("Masquer les détails...")
                                                                               : QStringLiteral("Afficher les détails..."));
                    });
                });
            }
    }
    if (completerResume)
        completerResume(*boite);
    boite->exec();
}

bool OperateurFenetre::question(const QString& texte)
{
    return Question(texte);
}

void OperateurFenetre::messageErreur(const QString& texte)
{
    MessageErreur(texte);
}

void OperateurFenetre::messageAvertissement(const QString& texte)
{
    MessageAvertissement(texte);
}

void OperateurFenetre::statut(const QString& texte)
{
    if (!m_statut)
        return;
    m_statut->setText(texte);
    // The run blocks the event loop: paint the new status now.
    m_statut->repaint();
}
