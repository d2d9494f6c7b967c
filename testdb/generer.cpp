// Deterministic data generator for the club test database.
//
//   testdb-generer CLIENTS SEED [--today yyyy-MM-dd]
//
// Writes ISO 8859-1 SQL for isql on standard output. The same arguments give the same bytes.
// Dates are laid out relative to a reference day (today unless --today is given) so that the
// database always holds current activities and debits of the current month.

#include "Generateur.h"

#include <QDate>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

int usage(const char *message)
{
    std::fprintf(stderr, "testdb-generer: %s\n", message);
    std::fprintf(stderr, "usage: testdb-generer CLIENTS SEED [--today yyyy-MM-dd]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 5)
        return usage("wrong number of arguments");
    bool ok = false;
    const qlonglong clients = QString::fromLocal8Bit(argv[1]).toLongLong(&ok);
    if (!ok || clients < 0 || clients > 10'000'000)
        return usage("CLIENTS must be a number from 0 to 10000000");
    const quint64 seed = QString::fromLocal8Bit(argv[2]).toULongLong(&ok);
    if (!ok)
        return usage("SEED must be a non-negative number");
    QDate today = QDate::currentDate();
    if (argc == 5) {
        if (QString::fromLocal8Bit(argv[3]) != QLatin1String("--today"))
            return usage("unknown option");
        today = QDate::fromString(QString::fromLocal8Bit(argv[4]), QStringLiteral("yyyy-MM-dd"));
        if (!today.isValid())
            return usage("--today wants a date written yyyy-MM-dd");
    }

    testdb::SqlWriter out(stdout);
    testdb::Generateur gen(out, seed, today);
    gen.ecrire(clients);
    out.finish();
    if (std::ferror(stdout))
        return usage("cannot write the output");
    return 0;
}
