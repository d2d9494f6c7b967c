#pragma once
// The pages as a job file that "--batch" runs unchanged, and a job file opened into the pages
// as "--batch" applies it to pages just started.
#include "batch/FichierLot.h"

#include <QDateTime>

class ControleurOptions;
class ControleurSelection;

namespace ecriture_lot {

// rgSource, the ticked boxes and every key whose value differs from the page's start value;
// the CSV path stays absolute here. `chemin` is the job's own path.
FichierLot PagesEnLot(const ControleurSelection& selection, const ControleurOptions& options, const QString& chemin);

// The job's text in the keys' order, after a comment line `entete`: the CSV path relative to
// the job's folder when it lies below it, texts with "\n" and "\\".
QString TexteLot(const FichierLot& job, const QString& entete);

// Writes the pages to `chemin` through FichierSortie, the date and the centre in its first line.
// Raises ErreurFichierLot, nothing written, when the text would not give the pages back once
// read (a text beginning or ending with blanks) or when it cannot be written.
void EnregistrerLot(const ControleurSelection& selection, const ControleurOptions& options, const QString& chemin,
                    qint32 centre, const QDateTime& moment);

// The pages put back to their start values, then the job applied as "--batch" does. Any
// refusal (ErreurFichierLot, or DbError from a source choice) leaves the pages as they were.
void OuvrirLot(ControleurSelection& selection, ControleurOptions& options, const QString& chemin);

} // namespace ecriture_lot
