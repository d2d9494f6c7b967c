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

    void executer(const QStringList& instructions) const;
    QString valeur(const QString& sql) const;

    QTemporaryDir dossier;
    QString chemin;
};

// Opens `base` on a database file with the embedded engine and the tests' parameters.
inline void OuvrirFichier(fb::Database& base, const QString& chemin)
{
    base.setLibraryName(kBibliotheque);
    base.setDatabaseName(chemin);
    base.setParams(parametresConnexion());
    base.open();
}

// Statements run on a database file through a connection of their own, each committed alone
// (none may stay open while another process uses the file).
inline void ExecuterSur(const QString& chemin, const QStringList& instructions)
{
    fb::Database base;
    OuvrirFichier(base, chemin);
    for (const QString& sql : instructions) {
        fb::Transaction tr(base);
        tr.start();
        tr.executeImmediate(sql);
        tr.commit();
    }
    base.close();
}

// Column 0 of the first row of `sql` on a database file, as text.
inline QString ValeurSur(const QString& chemin, const QString& sql)
{
    fb::Database base;
    OuvrirFichier(base, chemin);
    QString v;
    {
        fb::Transaction tr(base);
        tr.start();
        fb::Query q(base, tr);
        q.setSql(sql);
        q.execute();
        v = q.asString(0);
        q.close();
        tr.commit();
    }
    base.close();
    return v;
}

inline void BaseTemporaire::executer(const QStringList& instructions) const { ExecuterSur(chemin, instructions); }
inline QString BaseTemporaire::valeur(const QString& sql) const { return ValeurSur(chemin, sql); }
