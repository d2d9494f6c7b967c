#pragma once
#include "app/CommandLine.h"

#include <memory>

class Session;
class TfrmMain;

// The window as the program opens it (a QApplication exists): the fonts, the session, the
// main window with its operator and every page installed, and the connection opened when the
// start timer fires; a start that fails ends the process with 2.
class FenetreProgramme
{
public:
    FenetreProgramme();
    ~FenetreProgramme();

    TfrmMain& frmMain() const;
    Session& session() const;

private:
    struct Parties;
    std::unique_ptr<Parties> m_parties;
};

// Shows that window and runs the message loop; returns the exit code.
int ExecuterFenetre(const OptionsLigneCommande& options);
