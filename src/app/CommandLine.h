#pragma once
#include <QString>
#include <QStringList>

// Options of the command line, read before anything else is created.
struct OptionsLigneCommande
{
    QString racine;     // --racine DIR
    bool config = false;  // --config
    QString script;     // --script FILE
    QString batch;      // --batch JOB
    QString doublons;   // --doublons FILE
    QString sauvegarde; // --sauvegarde FILE: alone, or before the run of --batch
    QString annuler;    // --annuler JOURNAL
    bool oui = false;   // --yes
    bool simuler = false;   // --simuler (with --batch or --annuler)
    QString apercu;     // --apercu FILE: the row changes of --batch JOB --simuler
    bool aide = false;  // --help
    bool version = false;  // --version
    QString erreur;     // not empty when the arguments cannot be understood

    // Every mode but the window runs without a display.
    bool sansFenetre() const
    {
        return config || !script.isEmpty() || !batch.isEmpty() || !doublons.isEmpty() || !sauvegarde.isEmpty()
            || !annuler.isEmpty();
    }
};

// args excludes the program name.
OptionsLigneCommande AnalyserLigneCommande(const QStringList& args);
QString UsageLigneCommande();
// "module-special 1.1.1.45".
QString VersionLigneCommande();

// Runs a mode without a window (a QCoreApplication exists); returns the exit code.
int ExecuterSansFenetre(const OptionsLigneCommande& options);
