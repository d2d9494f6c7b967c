#include "db/ScriptRunner.h"

#include "db/Firebird.h"

#include <algorithm>

ScriptRunner::ScriptRunner(fb::Database& base, fb::Transaction& transaction, TOnSQLScriptExecError gestionnaire)
    : OnExecuteError(std::move(gestionnaire)), m_base(&base), m_transaction(&transaction)
{
}

void ScriptRunner::setScript(const QStringList& lignes)
{
    m_script = lignes;
    ResetStatements();
}

void ScriptRunner::setScript(const QString& texte)
{
    setScript(script::couperLignes(texte));
}

void ScriptRunner::ResetStatements()
{
    m_instructions.clear();
    m_analyse = false;
}

void ScriptRunner::analyserSiBesoin()
{
    if (m_analyse)
        return;
    m_instructions = script::decouper(m_script);
    m_analyse = true;
}

const QList<ScriptStatement>& ScriptRunner::statements()
{
    analyserSiBesoin();
    return m_instructions;
}

QString ScriptRunner::statementText(int numero)
{
    analyserSiBesoin();
    if (numero < 1 || numero > m_instructions.size())
        return QString();
    return script::texteInstruction(m_script, m_instructions.at(numero - 1));
}

void ScriptRunner::RunFrom(int first)
{
    m_arret = false;
    analyserSiBesoin();
    // Copies, so that a handler that sets Script cannot pull the list from under the loop:
    // this run goes on with the text it parsed.
    const QList<ScriptStatement> instructions = m_instructions;
    const QStringList lignes = m_script;
    for (int n = std::max(first, 1); n <= instructions.size(); ++n) {
        if (m_arret)
            return;
        executer(n, instructions.at(n - 1), lignes);
    }
}

void ScriptRunner::executer(int numero, const ScriptStatement& instruction, const QStringList& lignes)
{
    if (!m_transaction)
        throw DbError(QStringLiteral("Aucune transaction n'est associée au script."));
    fb::Transaction& tr = *m_transaction;

    switch (instruction.kind) {
    case StatementKind::Commit:
        if (!tr.isActive())
            return;
        try {
            valider(tr);
        } catch (const DbError& e) {
            if (!OnExecuteError)
                throw;
            m_arret = true;
            signaler(numero, instruction, lignes, e, false);
            // A commit that failed leaves nothing of the script's earlier work behind.
            annulerTravail(tr);
        }
        return;

    case StatementKind::Rollback:
        if (!tr.isActive())
            return;
        try {
            if (Simulation)
                segments::annuler(tr);
            else
                tr.rollback();
        } catch (const DbError& e) {
            if (!OnExecuteError)
                throw;
            m_arret = true;
            signaler(numero, instruction, lignes, e, false);
        }
        return;

    case StatementKind::Incomplete: {
        // A client-side failure: counted and reported like a refused statement, never sent.
        const DbError erreur(script::messageIncomplete(lignes, instruction));
        if (!OnExecuteError)
            throw erreur;
        signaler(numero, instruction, lignes, erreur, false);
        return;
    }

    case StatementKind::Server:
    case StatementKind::Definition:
        try {
            if (!tr.isActive())
                tr.start();
            tr.executeImmediate(script::texteInstruction(lignes, instruction));
            if (AutoDDL && !Simulation && instruction.kind == StatementKind::Definition)
                valider(tr);
        } catch (const DbError& e) {
            if (!OnExecuteError)
                throw;
            if (signaler(numero, instruction, lignes, e, true))
                annulerTravail(tr);
        }
        return;
    }
}

void ScriptRunner::valider(fb::Transaction& tr)
{
    if (Simulation) {
        segments::valider(tr);
        return;
    }
    if (AvantValidation) {
        try {
            AvantValidation();
        } catch (...) {
            try {
                if (tr.isActive())
                    tr.rollback();
            } catch (const DbError&) {
            }
            throw;
        }
    }
    try {
        tr.commit();
    } catch (const DbError&) {
        if (ApresValidation)
            ApresValidation(false);
        throw;
    }
    if (ApresValidation)
        ApresValidation(true);
}

void ScriptRunner::annulerTravail(fb::Transaction& tr)
{
    if (!tr.isActive())
        return;
    if (Simulation)
        segments::annuler(tr);
    else
        tr.rollback();
}

bool ScriptRunner::signaler(int numero, const ScriptStatement& instruction, const QStringList& lignes,
                            const DbError& erreur, bool retourArriere)
{
    bool doRollBack = retourArriere;
    bool stop = true;
    m_etatSql = erreur.sqlState();
    OnExecuteError(*this, numero, instruction.startLine + 1, script::lignesInstruction(lignes, instruction),
                   erreur.sqlCode(), erreur.texteCrLf(), doRollBack, stop);
    m_arret = stop;
    return doRollBack;
}

QString LigneErreurScript(int StatementNo, const QString& Msg)
{
    QString message = Msg;
    message.replace(QLatin1String("\r\n"), QLatin1String(" "));
    return QStringLiteral("error stmt #") + QString::number(StatementNo) + QStringLiteral(" : \"") + message
        + QLatin1Char('"');
}

namespace segments {

namespace {
const char* const kNom = "MSP_SIMULATION";
}

void ouvrir(fb::Transaction& tr)
{
    tr.start();
    tr.executeImmediate(QStringLiteral("SAVEPOINT ") + QLatin1String(kNom));
}

void valider(fb::Transaction& tr)
{
    tr.executeImmediate(QStringLiteral("RELEASE SAVEPOINT ") + QLatin1String(kNom));
    tr.executeImmediate(QStringLiteral("SAVEPOINT ") + QLatin1String(kNom));
}

void annuler(fb::Transaction& tr)
{
    tr.executeImmediate(QStringLiteral("ROLLBACK TO SAVEPOINT ") + QLatin1String(kNom));
}

} // namespace segments
