#pragma once
// Splitting of a Firebird script (isql dialect) into statements. Pure text work, no database:
// the runner, the fuzz target and the benchmark share it.
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

enum class StatementKind : quint8 {
    Server,       // sent to the server as it stands
    Definition,   // sent to the server, then committed when AutoDDL is on
    Commit,       // handled on the client: commits the transaction
    Rollback,     // handled on the client: rolls the transaction back
    Incomplete,   // text that never became a statement (see Defaut): reported as failed, never sent
};

// Why a text is Incomplete: what isql would stop on, where the runner goes on.
enum class Defaut : quint8 {
    Aucun,
    CommentaireOuvert,        // "/*" never closed: the script ends inside it
    SetTermSansFin,           // the script ends before the terminator that ends SET TERM
    SetTermAvantSuite,        // a second word before that terminator: the first one is taken
};

// One statement of the script. Lines are 0-based indexes into the script, columns 1-based.
// Columns are 32-bit: a line may be longer than 65,535 characters (generated scripts).
struct ScriptStatement
{
    qint32 startLine = 0;
    quint32 startColumn = 0;
    qint32 endLine = 0;
    quint32 endColumn = 0;   // 0: the statement ends with an empty line
    StatementKind kind = StatementKind::Server;
    Defaut defaut = Defaut::Aucun;
    qint32 ligneDefaut = -1;   // where the fault lies: the "/*", or the word after SET TERM's

    friend bool operator==(const ScriptStatement&, const ScriptStatement&) = default;
};

namespace script {

// A terminator longer than this is refused (the "SET TERM" goes to the server, which rejects it):
// it keeps the terminator test, and so the whole parse, linear in the script's size.
inline constexpr qsizetype kLongueurMaxTerminateur = 32;

// Keyword test: `motCle` stands at `pos` (letters compared without regard to case) and is
// followed by the end of the text or by a separator (TAB LF CR space , - / ; ^ }).
bool motCleEn(QStringView texte, qsizetype pos, QStringView motCle);

// Splits the script; every parse starts with the terminator ";". "SET TERM" statements are
// consumed here and never listed. Text that cannot become a statement is listed as Incomplete,
// so that it is counted and reported rather than lost.
QList<ScriptStatement> decouper(const QStringList& lignes);

// What the runner reports for an Incomplete statement (lines 1-based).
QString messageIncomplete(const QStringList& lignes, const ScriptStatement& instruction);

// The statement's exact source text, one entry per script line, comments kept, terminator left out.
QStringList lignesInstruction(const QStringList& lignes, const ScriptStatement& instruction);

// The same lines joined by CR LF: the text sent to the server.
QString texteInstruction(const QStringList& lignes, const ScriptStatement& instruction);

// What the first word (or "SET GENERATOR") makes of a statement text.
StatementKind genreInstruction(QStringView texte);

// A text cut into lines at CR LF, LF or CR.
QStringList couperLignes(const QString& texte);

} // namespace script
