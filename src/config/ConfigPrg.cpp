#include "config/ConfigPrg.h"

TConfigPrg ConfigPrg;
QList<TEnr_ConfigServeur> ConfigServeurs;
qint32 NumeroModule = -1;

void ReinitialiserConfigPrg()
{
    ConfigPrg = TConfigPrg{};
    ConfigServeurs.clear();
    NumeroModule = -1;
}
