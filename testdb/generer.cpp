// Deterministic data generator for the club test database.
//
//   testdb-generer CLIENTS SEED [--today yyyy-MM-dd] [--cas-doublons] [--chevauchements ROWS]
//
// Writes ISO 8859-1 SQL for isql on standard output. The same arguments give the same bytes.
// Dates are laid out relative to a reference day (today unless --today is given) so that the
// database always holds current activities and debits of the current month. --cas-doublons
// adds the fixed clients of the overlap cases after the data, --chevauchements that many more
// overlapping schedule entries (benchmarks of the overlap page).

#include "Generateur.h"

#include <QDate>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

int usage(const char *message)
{
    std::fprintf(stderr, "testdb-generer: %s\n", message);
    std::fprintf(stderr, "usage: testdb-generer CLIENTS SEED [--today yyyy-MM-dd] [--cas-doublons] [--chevauchements ROWS]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return usage("wrong number of arguments");
    bool ok = false;
    const qlonglong clients = QString::fromLocal8Bit(argv[1]).toLongLong(&ok);
    if (!ok || clients < 0 || clients > 10'000'000)
        return usage("CLIENTS must be a number from 0 to 10000000");
    const quint64 seed = QString::fromLocal8Bit(argv[2]).toULongLong(&ok);
    if (!ok)
        return usage("SEED must be a non-negative number");
    QDate today = QDate::currentDate();
    qlonglong chevauchements = 0;
    bool cas = false;
    for (int i = 3; i < argc; i += 2) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        if (option == QLatin1String("--cas-doublons")) {
            cas = true;
            --i;
            continue;
        }
        if (i + 1 >= argc)
            return usage("wrong number of arguments");
        const QString valeur = QString::fromLocal8Bit(argv[i + 1]);
        if (option == QLatin1String("--today")) {
            today = QDate::fromString(valeur, QStringLiteral("yyyy-MM-dd"));
            if (!today.isValid())
                return usage("--today wants a date written yyyy-MM-dd");
        } else if (option == QLatin1String("--chevauchements")) {
            chevauchements = valeur.toLongLong(&ok);
            if (!ok || chevauchements < 0 || chevauchements > 10'000'000)
                return usage("--chevauchements wants a number from 0 to 10000000");
        } else {
            return usage("unknown option");
        }
    }

    testdb::SqlWriter out(stdout);
    testdb::Generateur gen(out, seed, today);
    gen.ecrire(clients, cas, chevauchements);
    out.finish();
    if (std::ferror(stdout))
        return usage("cannot write the output");
    return 0;
}
