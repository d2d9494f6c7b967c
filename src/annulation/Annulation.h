#pragma once
// Takes a run back from its journal: in one transaction, every row the run's committed
// operations changed goes back to its state before the run, the last operation first. A row
// that another transaction changed since (its record version is no longer the run's) refuses
// the whole undo, which then changes nothing. Blocks whose commit failed or never came are
// left aside. Speaks to nobody: the command line and the window turn the result into words.
#include "db/ComptesModifications.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <mutex>

namespace fb {
class Database;
}

class Annulation : public QObject
{
    Q_OBJECT
public:
    enum class Issue {
        Faite,        // every row put back (rolled back again for a simulation)
        Refusee,      // rows changed since: nothing changed
        Illisible,    // the file cannot be read or is no journal of this tool
        AutreBase,    // the journal is of another database
        Erreur,       // an unexpected error: rolled back
        Interrompue,  // interrompre(): rolled back
    };

    struct Conflit
    {
        QString table;
        QString cle;
        QString raison;
    };

    struct Resultat
    {
        Issue issue = Issue::Erreur;
        bool simulation = false;
        QDateTime moment;               // the run's
        qint64 lignes = 0;              // rows put back
        QList<CompteTable> comptes;     // the server's counts of the undo
        QStringList ignorees;           // operations of the journal that never committed
        QList<Conflit> conflits;        // the first kMaxConflits
        qint64 nombreConflits = 0;
        QString erreur;                 // for Illisible, AutreBase and Erreur

        // Standard output's lines: the first names the run, the last the rows put back.
        QStringList lignesSortie() const;
        // The refusal (standard error), or the error's text.
        QString texteEchec() const;
    };

    static constexpr int kMaxConflits = 20;

    explicit Annulation(fb::Database& base, QObject* parent = nullptr);

    Resultat annuler(const QString& journal, bool simulation);

    // From any thread: the statement in progress is cancelled, the undo rolled back.
    void interrompre();

    // What a journal says of its run before it is undone (for the window's question); an
    // empty moment when it cannot be read.
    struct Apercu
    {
        QDateTime moment;
        qint64 lignes = 0;
    };
    static Apercu Lire(const QString& journal);

Q_SIGNALS:
    // Rows handled so far and their total, from the thread that runs the undo.
    void progression(qint64 faites, qint64 total);

private:
    fb::Database& m_base;
    std::mutex m_verrou;
    bool m_enCours = false;
    std::atomic_bool m_interrompu{false};
};
