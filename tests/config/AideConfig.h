#pragma once
// Small helpers for the configuration tests: file contents and an isolated environment.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

inline QByteArray lireOctets(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void ecrireOctets(const QString& chemin, const QByteArray& octets)
{
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    if (f.open(QIODevice::WriteOnly))
        f.write(octets);
}

// Points every per-user and temporary folder into dossier, so nothing lands outside it. The
// home and data folders must exist: the recycle bin is looked for on the home's file system.
inline void isolerEnvironnement(const QString& dossier)
{
    for (const char* sous : {"/home", "/data"})
        QDir().mkpath(dossier + QLatin1String(sous));
    qputenv("HOME", QFile::encodeName(dossier + "/home"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dossier + "/config"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dossier + "/data"));
    qputenv("TEMP", QFile::encodeName(dossier + "/temp"));
    qunsetenv("TMP");
    qputenv("TMPDIR", QFile::encodeName(dossier + "/tmpdir"));
}
