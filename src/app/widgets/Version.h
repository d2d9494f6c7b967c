#pragma once
#include <QLocale>
#include <QString>

// The version text of the version label: the file description (empty for this program)
// followed by a blank and the version number when the description block of the workstation's
// language exists (French only), otherwise the version number alone.
QString LireVersion(const QLocale& locale = QLocale::system());
