#pragma once
#include <QString>

class OperatorInterface;

// "--batch JOB [--yes]": one batch run without a window, from the job file's options.
// Exit codes: 0 done without failed statement, 3 done with failed statements, 1 stopped by a
// check or the selection or job refused, 2 no connection, 5 ended by an unexpected error.
// With `simuler`, the same run inside one transaction rolled back at its end; the first line of
// standard output says so, and the exit codes are those of a real run.
// With `sauvegarde`, the database is backed up into that file before the selection loads; a
// failed backup stops the run with nothing changed (exit 4).
// With `apercu` (a simulation only), every row change goes to that CSV file; a file that
// cannot be written stops the command before it connects (exit 1).
// `operateur` answers the question (yes only with "--yes") and shows the status texts.
int ExecuterCommandeBatch(const QString& fichierLot, OperatorInterface& operateur, bool simuler = false,
                          const QString& sauvegarde = QString(), const QString& apercu = QString());
