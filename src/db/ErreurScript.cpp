// The system's handler of failed script statements (one per Session).
#include "db/Session.h"

void Session::pFIBScripter1ExecuteError(ScriptRunner& Sender, int StatementNo, int, const QStringList&, int,
                                        const QString& Msg, bool& doRollBack, bool& Stop)
{
    if (interruption) {
        // The run stops: the script goes no further and leaves nothing of its own. The
        // statement that the cancellation failed is not an error of the run.
        doRollBack = true;
        Stop = true;
        if (Sender.lastSQLState() == QLatin1String(kEtatSqlAnnulation))
            return;
        ++NbErreurs;
        mTemp.append(LigneErreurScript(StatementNo, Msg));
        return;
    }
    ++NbErreurs;
    mTemp.append(LigneErreurScript(StatementNo, Msg));
    // Every statement of a script is tried: nothing is rolled back, the run goes on.
    doRollBack = false;
    Stop = false;
}
