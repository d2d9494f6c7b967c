#pragma once
// The run log: the error lines of a run, written when there is at least one. Its name carries
// the moment to the second, and a log never replaces another: a second run in the same second
// gets "-2", then "-3" and so on.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <stdexcept>

class ErreurJournalTraitement : public std::runtime_error
{
public:
    ErreurJournalTraitement(const QString& chemin, const QString& raison)
        : std::runtime_error(raison.toStdString()), m_chemin(chemin), m_raison(raison)
    {
    }
    const QString& chemin() const { return m_chemin; }
    const QString& raison() const { return m_raison; }

private:
    QString m_chemin;
    QString m_raison;
};

namespace journal_traitement {

// The local application-data folder's "temp" subfolder.
QString Dossier();
// "Log_Brevan_yymmdd-hhmmss.log"
QString NomBase(const QDateTime& moment);
// Writes the lines, each ended by CR LF, into a new file of `dossier` (created when missing)
// and returns its path; raises ErreurJournalTraitement.
QString Ecrire(const QString& dossier, const QDateTime& moment, const QStringList& lignes);

} // namespace journal_traitement
