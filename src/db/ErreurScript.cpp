// The system's handler of failed script statements (one per Session).
#include "db/Session.h"

void Session::pFIBScripter1ExecuteError(ScriptRunner&, int StatementNo, int, const QStringList&, int,
                                        const QString& Msg, bool& doRollBack, bool& Stop)
{
    ++NbErreurs;
    mTemp.append(LigneErreurScript(StatementNo, Msg));
    // Every statement of a script is tried: nothing is rolled back, the run goes on.
    doRollBack = false;
    Stop = false;
}
