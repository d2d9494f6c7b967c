#include "db/CommandeScript.h"

#include <cstdio>

int ExecuterCommandeScript(const QString&)
{
    std::fputs("--script : pas encore disponible\n", stderr);
    return 1;
}
