#pragma once
// The row changes of a simulation, operation by operation, as lines of one changed column
// each: "operation;table;cle;client;nom;nature;colonne;avant;apres".
//
// A simulation is one transaction: at the end of operation k the capture hands over every row
// written since the start, its image now and its image before the whole run. The image each
// row had after operation k-1 is kept in a state file with a key index, so that operation k's
// lines go from that state to the new one, as a real run's would from its previous commit.
// Lines go to a file in their final order (run, then table, key and column) with an index of
// offsets: neither the lines nor the rows' images are held in memory.
#include "annulation/CaptureLignes.h"
#include "config/Texte.h"
#include "db/ComptesModifications.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QTemporaryFile>
#include <memory>

class FichierSortie;

class ApercuChangements
{
public:
    enum Champ { Operation, Table, Cle, Client, Nom, Nature, Colonne, Avant, Apres, NombreChamps };
    static const QStringList& Titres();
    // A value as the overlap export writes it (dates yyyy-MM-dd, time stamps to the second,
    // numbers with a point, NULL empty), before CSV quoting.
    static QString TexteValeur(const Cellule& c);

    // Opens its work files in the system's temporary folder; raises DbError when it cannot.
    ApercuChangements();
    ~ApercuChangements();
    ApercuChangements(const ApercuChangements&) = delete;
    ApercuChangements& operator=(const ApercuChangements&) = delete;

    // Operation `modele` has ended: the rows of the tables its counts name, read through
    // `capture` on the run's transaction. Raises DbError (the database, or a work file).
    void operationTerminee(const QString& modele, const QList<CompteTable>& comptes, StructuresTables& structures,
                           CaptureLignes& capture, fb::Database& base, fb::Transaction& execution);

    qint64 nombreLignes() const { return m_debuts.size(); }
    // Line `i` (run order) as CSV text without its CR LF, or its fields.
    QString texteLigne(qint64 i) const;
    QStringList ligne(qint64 i) const { return texte::champsCsv(texteLigne(i)); }

    // Per table, in name order: rows changed and column lines.
    struct Compte
    {
        qint64 lignes = 0;
        qint64 colonnes = 0;
    };
    const QMap<QString, Compte>& comptes() const { return m_comptes; }
    // "ECHEANCIER : 300 ligne(s), 300 colonne(s) ; ..." or "Aucun changement."
    QString texteComptes() const;

    // The header and every line; false with `erreur` set when the file could not be written.
    bool exporter(FichierSortie& fichier, QString& erreur) const;

private:
    struct Etat;
    class Recepteur;
    [[noreturn]] void echecFichier(const QFile& f) const;

    mutable QTemporaryFile m_lignes;   // the lines, CR LF ended, in their final order
    QTemporaryFile m_etats;            // rows' images after the last operation, appended
    QTemporaryFile m_operation;        // the current operation's lines, in capture order
    QList<qint64> m_debuts;            // offset of each line in m_lignes
    // Table and key to the row's image in m_etats (-1: the row is gone).
    QHash<QString, qint64> m_index;
    QHash<qint64, QString> m_noms;     // client names already read
    QMap<QString, Compte> m_comptes;
};
