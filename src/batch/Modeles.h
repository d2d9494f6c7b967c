#pragma once
// The script templates held by the main window, compiled in as resources: the six operation
// templates and the overlap procedure template.
#include <QString>
#include <QStringList>

// The template's exact text, lines joined by CR LF ("mSQL1" … "mSQL7", "mSQL_PS1");
// an empty text for an unknown name.
QString TexteModele(const QString& nom);

// The names of every template, in the order of the batch run, then the overlap procedure.
QStringList NomsModeles();
