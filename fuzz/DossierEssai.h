#pragma once
// A folder for the files a target writes, in memory when the system offers one: the save of a
// profile file syncs it to disk, which would cut a run to a few inputs a second.
#include <QDir>
#include <QTemporaryDir>

inline const QTemporaryDir& dossierEssai()
{
    static const QTemporaryDir dossier(QDir(QStringLiteral("/dev/shm")).exists()
                                           ? QStringLiteral("/dev/shm/msp-fuzz-XXXXXX")
                                           : QDir::tempPath() + QStringLiteral("/msp-fuzz-XXXXXX"));
    return dossier;
}
