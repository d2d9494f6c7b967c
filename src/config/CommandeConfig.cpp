#include "config/CommandeConfig.h"

#include <cstdio>

int ExecuterCommandeConfig()
{
    std::fputs("--config : pas encore disponible\n", stderr);
    return 1;
}
