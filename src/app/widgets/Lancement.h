#pragma once
#include "app/CommandLine.h"

// Creates the main window and runs the message loop (a QApplication exists); returns the exit code.
int ExecuterFenetre(const OptionsLigneCommande& options);
