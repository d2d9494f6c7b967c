#pragma once
// A database of its own for one test: created empty in a temporary folder, or copied from the
// club test database template (MSP_TESTDB), since tests run in parallel.
#include "db/Firebird.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

inline const QString kBibliotheque = QStringLiteral("libfbclient.so.2");

inline QStringList parametresConnexion()
{
    return {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=masterkey"), QStringLiteral("lc_ctype=ISO8859_1")};
}

inline QStringList parametresTransaction()
{
    return {QStringLiteral("write"), QStringLiteral("wait"), QStringLiteral("rec_version"), QStringLiteral("read_committed")};
}

class BaseTemporaire
{
public:
    // Creates an empty database when `modele` is empty, else copies that file.
    explicit BaseTemporaire(const QString& modele = QString())
    {
        chemin = dossier.filePath(QStringLiteral("base.fdb"));
        if (modele.isEmpty())
            fb::Database::creer(kBibliotheque, chemin, parametresConnexion());
        else if (!QFile::copy(modele, chemin))
            qFatal("copie impossible de %s", qPrintable(modele));
        QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
                                          | QFile::ReadOther | QFile::WriteOther);
    }

    // Opens `base` on this file through `connexion` (the bare path by default).
    void ouvrir(fb::Database& base, const QString& prefixe = QString()) const
    {
        base.setLibraryName(kBibliotheque);
        base.setDatabaseName(prefixe + chemin);
        base.setParams(parametresConnexion());
        base.open();
    }

    QTemporaryDir dossier;
    QString chemin;
};
