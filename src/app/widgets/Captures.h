#pragma once
#include <QString>

class TfrmMain;

// Shows the window, saves a PNG of each page and of a question box into dossier, and returns
// the exit code: 0, or 1 when a picture could not be written.
int PrendreCaptures(TfrmMain& fenetre, const QString& dossier);
