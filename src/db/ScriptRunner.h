#pragma once
// Runs a Firebird script statement by statement on a transaction of the connection: "SET TERM",
// "COMMIT" and "ROLLBACK" are handled here, everything else goes to the server as written.
// Each statement the server rejects is reported through OnExecuteError, whose handler decides
// whether the transaction is rolled back and whether the run goes on.
#include "db/DbError.h"
#include "db/ScriptParser.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace fb {
class Database;
class Transaction;
}

class ScriptRunner;

// Sender, StatementNo (1-based), Line (1-based line of Script where the statement begins),
// Statement (its lines as sent), SQLCode (-1 for a client-side failure), Msg (lines ended by
// CR LF), doRollBack and Stop (in/out).
using TOnSQLScriptExecError = std::function<void(ScriptRunner& Sender, int StatementNo, int Line,
                                                 const QStringList& Statement, int SQLCode, const QString& Msg,
                                                 bool& doRollBack, bool& Stop)>;

class ScriptRunner
{
public:
    ScriptRunner() = default;
    ScriptRunner(fb::Database& base, fb::Transaction& transaction, TOnSQLScriptExecError gestionnaire = {});
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    const QStringList& Script() const { return m_script; }
    void setScript(const QStringList& lignes);
    void setScript(const QString& texte);   // cut at CR LF, LF or CR

    fb::Database* Database() const { return m_base; }
    void setDatabase(fb::Database& base) { m_base = &base; }
    fb::Transaction* Transaction() const { return m_transaction; }
    void setTransaction(fb::Transaction& transaction) { m_transaction = &transaction; }

    bool AutoDDL = true;
    TOnSQLScriptExecError OnExecuteError;
    // In a simulation the whole run is one transaction that is rolled back at its end: COMMIT
    // ends a segment of it (a savepoint, see segments below), ROLLBACK undoes the segment, and
    // AutoDDL commits nothing.
    bool Simulation = false;

    // Around every real commit (a script's COMMIT, an AutoDDL commit, valider()): AvantValidation
    // may raise to refuse it, the work is then rolled back and its exception goes on;
    // ApresValidation(true) follows the commit, (false) a commit that failed.
    std::function<void()> AvantValidation;
    std::function<void(bool)> ApresValidation;
    // The commit that ends a step: a real one with the hooks above, or in a simulation the
    // start of the next segment. Raises DbError when the commit fails.
    void valider(fb::Transaction& tr);

    // Runs the statements from `first` (1-based) to the end, parsing first when needed. Returns
    // when they are done or a handler asked to stop; raises DbError only when OnExecuteError
    // is empty.
    void RunFrom(int first);
    void ResetStatements();

    // The statement list of the current text (parsed on demand).
    const QList<ScriptStatement>& statements();
    int statementCount() { return int(statements().size()); }
    QString statementText(int numero);   // 1-based; lines joined by CR LF
    bool isParsed() const { return m_analyse; }
    bool stopped() const { return m_arret; }
    // The SQLSTATE of the failure being reported ("HY008" for a cancelled statement).
    const QString& lastSQLState() const { return m_etatSql; }

private:
    void analyserSiBesoin();
    void executer(int numero, const ScriptStatement& instruction, const QStringList& lignes);
    void annulerTravail(fb::Transaction& tr);   // rollback, or back to the segment in a simulation
    // Calls OnExecuteError; keeps Stop as the handler left it and returns doRollBack.
    bool signaler(int numero, const ScriptStatement& instruction, const QStringList& lignes, const DbError& erreur,
                  bool retourArriere);

    QStringList m_script;
    QList<ScriptStatement> m_instructions;
    bool m_analyse = false;
    bool m_arret = false;
    QString m_etatSql;
    fb::Database* m_base = nullptr;
    fb::Transaction* m_transaction = nullptr;
};

// The segments of a simulation's one transaction: each stands where a real run would commit,
// so that undoing one gives back what a failed COMMIT or a ROLLBACK would give back.
namespace segments {
void ouvrir(fb::Transaction& tr);    // starts the transaction when needed, then the segment
void valider(fb::Transaction& tr);   // what a commit becomes: the next segment begins
void annuler(fb::Transaction& tr);   // what a rollback becomes: back to the segment's start
} // namespace segments

// The line that the system's error handler appends to mTemp for a failed statement:
// "error stmt #N : \"Msg\"" with every CR LF pair of Msg turned into one space.
QString LigneErreurScript(int StatementNo, const QString& Msg);

// The SQLSTATE of a statement cancelled through the client library.
inline constexpr char kEtatSqlAnnulation[] = "HY008";
