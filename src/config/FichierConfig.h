#pragma once
// The server configuration file "zeltoQ58.conf": migration, creation, reading.

// Reads the configuration into ConfigPrg and ConfigServeurs; never lets a failure escape.
void LireFichierConfig();
void CreerFichierConfig();
void ImporterAncienneConfig();
