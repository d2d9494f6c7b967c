#pragma once
// The undo journal of one real run: a script that a person can read, written as the run goes.
// A comment header (database, centre, moment, operations), then per commit of an operation a
// block: its transaction number and change counts, what puts back each row it changed, an end
// line; the block is on disk (fsync) before the commit, and "-- Validée" follows the commit.
// A block without its end line, or whose commit failed, is no part of what the run did.
#include "annulation/CaptureLignes.h"
#include "config/ErreurJournal.h"
#include "db/ComptesModifications.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The journal cannot be created or written: the operation is rolled back, the run ends.
using ErreurJournalAnnulation = ErreurJournal;

namespace journal_annulation {

inline constexpr char kEntete[] = "-- Module spécial : journal d'annulation, version 1";
inline constexpr char kDebutOperation[] = "-- Opération ";
inline constexpr char kFinOperation[] = "-- Fin de l'opération ";
inline constexpr char kValidee[] = "-- Validée";
inline constexpr char kNonValidee[] = "-- Non validée";

// $XDG_DATA_HOME (else ~/.local/share) and module-special/journaux.
QString Dossier();
// "Journal_Brevan_yymmdd-hhmmss.sql"
QString NomBase(const QDateTime& moment);

struct EnteteJournal
{
    QString base;          // the connection string
    QString creationBase;  // MON$CREATION_DATE, exactly: the database's identity
    qint32 centre = 0;
    bool multiCentre = false;
    QDateTime moment;
    QStringList operations;
};

// The database's creation moment, as the header keeps it; raises DbError.
QString CreationBase(fb::Database& base);

} // namespace journal_annulation

class JournalAnnulation : public RecepteurLignes
{
public:
    JournalAnnulation() = default;
    ~JournalAnnulation() override;
    JournalAnnulation(const JournalAnnulation&) = delete;
    JournalAnnulation& operator=(const JournalAnnulation&) = delete;

    // Creates the file (mode 0600, never over an existing one: -2, -3... as the run log) and
    // writes its header to disk. Raises ErreurJournalAnnulation.
    void creer(const QString& dossier, const journal_annulation::EnteteJournal& entete);
    bool ouvert() const { return m_fd >= 0; }
    const QString& chemin() const { return m_chemin; }
    qint64 lignes() const { return m_lignesValidees; }   // rows of the committed blocks

    // One block. terminerOperation() puts it on disk; raises ErreurJournalAnnulation.
    void debuterOperation(const QString& modele, qint64 transaction, const QList<CompteTable>& comptes);
    void ligne(const LigneChangee& l) override;
    // `duree`: what the journal cost the operation, in ms (kept in the end line for measures).
    void terminerOperation(qint64 duree = -1);
    // After the commit (or its failure): best effort, a missing mark is settled by the undo.
    void marquer(bool validee);

    void fermer();

private:
    void ecrire(const QString& texte);
    void vider(bool surDisque);

    int m_fd = -1;
    QString m_chemin;
    QByteArray m_tampon;
    QString m_modele;
    qint64 m_transaction = 0;
    qint64 m_lignesBloc = 0;
    qint64 m_lignesValidees = 0;
};

// The statement of the journal that puts one row back.
QString InstructionRetour(const LigneChangee& l, qint64 transaction);
