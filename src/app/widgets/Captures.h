#pragma once
#include <QString>

class TfrmMain;

// Shows the window, saves a PNG of each page and of a question box into dossier, and returns
// the exit code: 0, or 1 when a picture could not be written. Without a database (avecBase
// false) a further picture shows the overlap grid painting a few made-up rows.
int PrendreCaptures(TfrmMain& fenetre, const QString& dossier, bool avecBase = false);
