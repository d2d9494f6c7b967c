#pragma once
// The diagnostic log and the temporary folder it lives in.
#include <QDate>
#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QTime>

#include <functional>

// Serialises EcrireLog: folder normalisation, the update of ConfigPrg.Temporaire, open, write,
// close. Constant-initialised, so it exists before any code runs and is never destroyed early.
extern QMutex VerrouLog;
// Printed between parentheses on every line; nothing in this program sets it.
extern QString ContexteLog;

// The usable temporary folder for a configured one, created with its parents. Ends with
// "ZeltoSystem/" (or contains that word already). Fewer than 4 characters means "not set":
// TEMP, then TMP, then TMPDIR, then the system temporary folder. A folder that cannot be
// created falls back to that one, returned even when it cannot be created either.
QString NormaliserDossierTemp(const QString& dossier);

// Appends one line to the day's log in ConfigPrg.Temporaire when NumeroModule is set and
// niveau <= ConfigPrg.NiveauDebug. Never fails towards the caller: a line that cannot be
// written is lost.
void EcrireLog(const QString& message, qint32 niveau, const QString& suffixe = QString());

// " [ERR.] ", " [ALER] " or " [INFO] ".
QString EtiquetteNiveau(qint32 niveau);
// "Log - yymmdd -  - Outils[_suffix].txt"
QString NomFichierLog(const QDate& date, const QString& suffixe = QString());
// "hh:mm:ss:zzz (ContexteLog) [TAG] >> message" followed by CR LF.
QString LigneLog(const QTime& heure, qint32 niveau, const QString& message);
// The label of a module number in log file names: 9 is "Outils".
QString LibelleModule(qint32 numero);

// The clock the log reads; tests replace it to cross midnight. An empty function restores
// the real clock.
void DefinirHorlogeJournal(std::function<QDateTime()> horloge);
