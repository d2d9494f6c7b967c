#include "app/ConsoleOperator.h"

#include <QTime>

#include <cstdio>

namespace {
// Boxes use CR LF and even LF CR; a terminal wants plain line feeds.
QString lignes(QString texte)
{
    texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texte.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    texte.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return texte;
}

void ecrire(FILE* flux, const QString& texte)
{
    const QByteArray octets = texte.toLocal8Bit();
    std::fwrite(octets.constData(), 1, static_cast<size_t>(octets.size()), flux);
    std::fputc('\n', flux);
    std::fflush(flux);
}
} // namespace

ConsoleOperator::ConsoleOperator(Mode mode, bool repondreOui) : m_mode(mode), m_repondreOui(repondreOui) {}

void ConsoleOperator::ecrireErreur(const QString& titre, const QString& texte)
{
    ecrire(stderr, titre + QLatin1String(": ") + lignes(texte));
}

void ConsoleOperator::avertissement(const QString& texte) { ecrireErreur(QStringLiteral("Avertissement"), texte); }
void ConsoleOperator::erreur(const QString& texte) { ecrireErreur(QStringLiteral("Erreur"), texte); }
void ConsoleOperator::information(const QString& texte) { ecrire(stdout, lignes(texte)); }
void ConsoleOperator::messageErreur(const QString& texte) { ecrireErreur(QStringLiteral("Erreur"), texte); }
void ConsoleOperator::messageAvertissement(const QString& texte) { ecrireErreur(QStringLiteral("Avertissement"), texte); }

void ConsoleOperator::statut(const QString& texte)
{
    if (m_mode == Mode::Lot)
        ecrire(stderr, QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + texte);
}

void ConsoleOperator::resume(const QString& texte, const QStringList& details)
{
    if (m_mode == Mode::Commande)
        OperatorInterface::resume(texte, details);
}

bool ConsoleOperator::question(const QString& texte)
{
    ecrireErreur(QStringLiteral("Confirmation"),
                 texte + (m_repondreOui ? QStringLiteral(" -> oui (--yes)") : QStringLiteral(" -> non (sans --yes)")));
    return m_repondreOui;
}
