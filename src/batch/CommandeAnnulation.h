#pragma once
#include <QString>

class OperatorInterface;

// "--annuler JOURNAL [--simuler]": takes a real run back from its undo journal, in one
// transaction (rolled back at its end with `simuler`). Exit codes: 0 done, 1 the file cannot be
// read or is no journal of this tool, 2 no connection or the journal is of another database,
// 5 an unexpected error, 6 refused because rows changed since the run (each named on standard
// error, at most 20); 130 or 143 when SIGINT or SIGTERM stopped it (nothing changed).
int ExecuterCommandeAnnulation(const QString& journal, OperatorInterface& operateur, bool simuler = false);
