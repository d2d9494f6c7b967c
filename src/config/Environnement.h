#pragma once
#include <QString>

// Where the program considers its executable to stand. "--racine DIR" replaces the real folder,
// so that tests, the demo and several installations on one machine each get their own root.
void DefinirDossierExecutable(const QString& dossier);
// The executable's folder, absolute, ending with "/".
QString DossierExecutable();

// The folder path with a final "/", added when missing.
QString AvecSeparateurFinal(const QString& chemin);
// A path value read from a file written on Windows: "\" is a separator.
QString VersSeparateurs(const QString& chemin);
// The absolute form of a path against the current folder, with "." and ".." collapsed.
// No trailing "/".
QString CheminComplet(const QString& chemin);
