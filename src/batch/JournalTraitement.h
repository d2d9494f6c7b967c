#pragma once
// The run log: the error lines of a run, written when there is at least one. Its name carries
// the moment to the second, and a log never replaces another: a second run in the same second
// gets "-2", then "-3" and so on.
#include "config/ErreurJournal.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

using ErreurJournalTraitement = ErreurJournal;

namespace journal_traitement {

// The local application-data folder's "temp" subfolder.
QString Dossier();
// "Log_Brevan_yymmdd-hhmmss.log"
QString NomBase(const QDateTime& moment);
// Writes the lines, each ended by CR LF, into a new file of `dossier` (created when missing)
// and returns its path; raises ErreurJournalTraitement.
QString Ecrire(const QString& dossier, const QDateTime& moment, const QStringList& lignes);

} // namespace journal_traitement
