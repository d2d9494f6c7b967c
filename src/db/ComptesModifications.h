#pragma once
// What one operation changed, table by table, as the server counts it: the attachment's record
// counters read just before and just after the operation, each time in a short transaction of
// its own (the monitoring snapshot stays fixed within a transaction, and the templates' own
// COMMIT statements end the one they run in).
#include <QList>
#include <QMap>
#include <QString>

namespace fb {
class Database;
}

struct CompteTable
{
    QString table;
    qint64 ajouts = 0;
    qint64 modifications = 0;
    qint64 suppressions = 0;

    friend bool operator==(const CompteTable&, const CompteTable&) = default;
};

class ComptesModifications
{
public:
    struct Compteurs
    {
        qint64 ajouts = 0;
        qint64 modifications = 0;
        qint64 suppressions = 0;
    };
    using Releve = QMap<QString, Compteurs>;   // by table name

    // The counters of this attachment; raises DbError.
    static Releve lire(fb::Database& base);
    // The tables whose counters moved, in alphabetical order.
    static QList<CompteTable> difference(const Releve& avant, const Releve& apres);
    // "mSQL1 ECHEANCIER : 0 ajout(s), 11 modification(s), 0 suppression(s)"
    static QString ligne(const QString& modele, const CompteTable& compte);
};
