#pragma once
// Named parameters (":NAME") turned into the engine's positional markers ("?").
#include <QList>
#include <QString>
#include <QStringList>

namespace fb {

struct SqlPositionnel
{
    QString sql;            // the text sent to the engine
    QStringList noms;       // distinct names, in order of first appearance, as first written
    QList<int> positions;   // for each "?" of `sql`, in order: its index in `noms`
};

// Quoted text ('…', "…"), comments (-- and /* */) and names written right after an identifier
// are copied unchanged. In an EXECUTE BLOCK only the input declarations (before the top-level
// AS) are rewritten: the body's ":variables" belong to the engine. A definition statement
// (CREATE, ALTER, RECREATE, DECLARE) takes no parameter and is copied whole.
SqlPositionnel versPositionnel(const QString& sql);

} // namespace fb
