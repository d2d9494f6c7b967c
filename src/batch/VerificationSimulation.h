#pragma once
// Before a simulation runs: every object that the ticked operations can reach, and whether one
// of them could write outside the simulation's transaction (an autonomous transaction, another
// database) or cannot be inspected. Reached: the tables, procedures and functions named in the
// statements of the run; what they depend on (RDB$DEPENDENCIES, from dependent to depended-on);
// the triggers of every table so reached and the database's transaction triggers; transitively.
#include <QString>
#include <QStringList>

namespace fb {
class Database;
}

struct VerdictSimulation
{
    QString refus;              // the message refusing the simulation; empty when it may run
    QStringList sqlDynamique;   // reached routines that run EXECUTE STATEMENT
};

// `textes`: the statements of the run as written (templates before filling, so that no
// operator text is taken for an object's name). Raises DbError.
VerdictSimulation VerifierSimulation(fb::Database& base, const QStringList& textes);

// The source without its comments, upper-cased, blanks folded.
QString SourceSansCommentaires(const QString& source);
