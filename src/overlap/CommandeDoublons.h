#pragma once
#include <QString>
// "--doublons FILE": connects as at start, creates the overlap procedure and writes its rows
// to FILE as CSV.
class OperatorInterface;
int ExecuterCommandeDoublons(const QString& fichier, OperatorInterface& operateur);
