#pragma once
// Removing a file as far as possible, and waiting while the event queue keeps running.
#include <QString>
#include <QtGlobal>

// Removes one file: recycle bin first, then a rename out of the way. True when no file carries
// the name any more (at once when there was none).
bool SupprimerFichier(const QString& chemin);
// Sends one file to the recycle bin, without any dialog. True when it was accepted.
bool EnvoyerCorbeille(const QString& chemin);
// Renames one file; when the target name is taken, the first free name "base (2).ext",
// "base (3).ext", … is used instead. Nothing is ever shown, silent or not.
bool RenommerFichier(const QString& source, const QString& cible, bool silencieux);
// Waits the given time while the event queue is processed. A quit request ends the wait at
// once and is left in force for the enclosing event loops.
void Patienter(quint32 millisecondes);
// A millisecond tick counter, wrapping at 32 bits.
quint32 CompteurTicks();
