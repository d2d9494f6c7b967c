#pragma once
#include <QString>
#include <stdexcept>

// A journal the program writes (the run log, the undo journal) that cannot be written: its
// path and the reason, for the message that names both.
class ErreurJournal : public std::runtime_error
{
public:
    ErreurJournal(const QString& chemin, const QString& raison)
        : std::runtime_error(raison.toStdString()), m_chemin(chemin), m_raison(raison)
    {
    }
    const QString& chemin() const { return m_chemin; }
    const QString& raison() const { return m_raison; }

private:
    QString m_chemin;
    QString m_raison;
};
