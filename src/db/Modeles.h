#pragma once
// The script templates, compiled in as resources by the subsystems that own them: the batch
// operations' templates and the overlap procedure template.
#include <QString>

// The template's exact text, lines joined by CR LF ("mSQL1" … "mSQL7", "mSQL_PS1");
// an empty text for an unknown name.
QString TexteModele(const QString& nom);
