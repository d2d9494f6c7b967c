#pragma once
// Reads an undo journal back: its header, its blocks (one per commit of an operation), and,
// block by block, the statements that put rows back. The statements are parsed, never sent
// as written: only the three forms the journal writes are accepted (UPDATE ... SET ... WHERE
// key AND RDB$RECORD_VERSION = n; DELETE FROM ... WHERE ...; INSERT INTO ... VALUES ...).
// The file is mapped, not read whole: memory does not grow with its rows.
#include "annulation/JournalAnnulation.h"

#include <QFile>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <stdexcept>

// The file cannot be read or is no journal of this tool.
class ErreurLectureJournal : public std::runtime_error
{
public:
    explicit ErreurLectureJournal(const QString& texte) : std::runtime_error(texte.toStdString()), m_texte(texte) {}
    const QString& texte() const { return m_texte; }

private:
    QString m_texte;
};

struct InstructionJournal
{
    // In the order the undo runs them within a block: rows put back, rows restored, rows removed.
    enum class Genre { Reinserer = 0, Retablir = 1, Supprimer = 2 };
    Genre genre = Genre::Retablir;
    QString table;
    QStringList colonnes;                       // SET, or INSERT's columns
    QList<std::optional<QByteArray>> valeurs;   // their values, nullopt for NULL
    QStringList colonnesCle;                    // WHERE's columns (RDB$DB_KEY for a row by DB_KEY)
    QList<QByteArray> valeursCle;
    qint64 version = 0;                         // the run's transaction that wrote the row
    int ligne = 0;                              // of the file, from 1

    bool parDbKey() const { return colonnesCle == QStringList{QStringLiteral("RDB$DB_KEY")}; }
    // "a/b", "#" and the DB_KEY; for a row put back, the key's columns of `cle`.
    QString texteCle(const QStringList& cle = {}) const;
};

struct BlocJournal
{
    enum class Etat { Validee, NonValidee, Inconnue };
    QString modele;
    qint64 transaction = 0;
    qint64 debut = 0;        // byte offsets of its statements
    qint64 fin = 0;
    int ligneDebut = 1;      // of its first statement's line
    bool complet = false;    // its end line was written: it was on disk before the commit
    Etat etat = Etat::Inconnue;
    qint64 instructions = 0;
    QSet<QPair<int, QString>> genresTables;   // (genre, table) present
};

class LectureJournal
{
public:
    // Raises ErreurLectureJournal.
    explicit LectureJournal(const QString& chemin);

    const QString& chemin() const { return m_chemin; }
    const journal_annulation::EnteteJournal& entete() const { return m_entete; }
    const QList<BlocJournal>& blocs() const { return m_blocs; }

    // The block's statements in file order; raises ErreurLectureJournal.
    void parcourir(const BlocJournal& bloc, const std::function<void(const InstructionJournal&)>& action) const;

private:
    void indexer();

    QString m_chemin;
    QFile m_fichier;
    const char* m_debut = nullptr;
    qint64 m_taille = 0;
    journal_annulation::EnteteJournal m_entete;
    QList<BlocJournal> m_blocs;
};
