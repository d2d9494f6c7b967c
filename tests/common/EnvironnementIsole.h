#pragma once
// Points every folder the window may read or write (profile, data, temporary folder,
// executable folder) into a temporary folder of the test, before any window is built.
#include "config/ConfigPrg.h"
#include "config/Environnement.h"

#include <QDir>
#include <QTemporaryDir>

inline void IsolerEnvironnement(const QTemporaryDir& dossier)
{
    const QString base = dossier.path();
    const std::pair<const char*, const char*> variables[] = {
        {"HOME", "/home"},          {"XDG_CONFIG_HOME", "/home/.config"},
        {"XDG_DATA_HOME", "/home/.local/share"}, {"XDG_CACHE_HOME", "/home/.cache"},
        {"TEMP", "/tmp"},           {"TMP", "/tmp"},
        {"TMPDIR", "/tmp"},
    };
    for (const auto& [nom, sousDossier] : variables) {
        const QString chemin = base + QString::fromLatin1(sousDossier);
        QDir().mkpath(chemin);
        qputenv(nom, chemin.toLocal8Bit());
    }
    QDir().mkpath(base + QStringLiteral("/Program"));
    DefinirDossierExecutable(base + QStringLiteral("/Program"));
    ReinitialiserConfigPrg();
}
