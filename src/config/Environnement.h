#pragma once
#include <QString>

// Where the program considers its executable to stand. "--racine DIR" replaces the real folder,
// so that tests, the demo and several installations on one machine each get their own root.
void DefinirDossierExecutable(const QString& dossier);
// The executable's folder, absolute, ending with "/".
QString DossierExecutable();
