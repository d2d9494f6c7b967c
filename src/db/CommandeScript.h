#pragma once
#include <QString>
// "--script FILE": connects as at start and runs FILE through the script runner.
class OperatorInterface;
int ExecuterCommandeScript(const QString& fichier, OperatorInterface& operateur);
