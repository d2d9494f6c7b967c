#pragma once
// The server configuration file "zeltoQ58.conf": migration, creation, reading.
#include <QString>

// Reads the configuration into ConfigPrg and ConfigServeurs; never lets a failure escape.
void LireFichierConfig();
// The start step of every entry point, before any connection: the module's number (which
// enables the log and the reading of the file), then LireFichierConfig.
void DemarrerModule();
// Writes the configuration file from ConfigPrg and ConfigServeurs; logs its own failures.
void CreerFichierConfig();
// Takes the legacy "zelto.conf" beside the executable, then the establishment file, into
// ConfigPrg and ConfigServeurs. Throws ErreurConfig.
void ImporterAncienneConfig();

// The installation root for an executable folder: the first "program/" (any letter case)
// removed once, the rest of the path kept as it is.
QString RacineDepuisDossier(const QString& dossierExecutable);
// Racine + the existing child folder named "program" in any letter case (else "Program")
// + "/zeltoQ58.conf".
QString CheminFichierConfig(const QString& racine);
// The configuration file that the last LireFichierConfig opened (absolute); before that, the
// one the current Racine designates.
QString FichierConfigLu();
// Computer-name rule: the workstation's own name stands for the local machine.
QString AppliquerRegleNomMachine(const QString& ipServeur);
