#pragma once
#include <QString>
// "--script FILE": connects as at start and runs FILE through the script runner.
int ExecuterCommandeScript(const QString& fichier);
