#pragma once
#include <QString>
// "--sauvegarde FICHIER": connects as at start and backs the configured database up into
// FICHIER. Exit 0; 2 no connection; 4 the backup was refused or failed.
class OperatorInterface;
int ExecuterCommandeSauvegarde(const QString& fichier, OperatorInterface& operateur);
