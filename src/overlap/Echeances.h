#pragma once
// The overlap dataset's statements and its CSV form, shared by the page, its export and
// "--doublons".
#include <QString>
#include <Qt>

class FichierSortie;
namespace fb {
class Database;
class Transaction;
class Query;
}

// The dataset's SELECT over ECHEANCES_DOUBLONS, as the page opens it (trailing blanks kept).
QString SqlEcheances();
// The same SELECT ordered by one of its columns (0-based), for a click on a column title.
QString SqlEcheancesTriees(int colonne, Qt::SortOrder ordre);
// The server's row count of the same statement.
QString SqlCompteEcheances();

// "Echéances dont les dates se chevauchent" before the first entry, then with ":" and the count.
QString TitreLabel13();
QString TexteLabel13(qint64 nombre);

struct ResultatExport
{
    enum Etat { Ecrit, FichierImpossible, LectureImpossible };
    Etat etat = Ecrit;
    qint64 lignes = 0;   // data rows written
    QString erreur;      // the system's or the server's text
};

// Streams every row of `sql` into `fichier` (already open, not yet committed) through a
// cursor of its own on `transaction` (started when needed, left as it is), then commits the
// file. UTF-8, ";" between fields, a header of the column titles, dates yyyy-MM-dd, NULL
// empty, CR LF line ends. On any failure the file is discarded: no partial file is left (a
// device or a pipe written in place keeps what it was sent).
ResultatExport ExporterEcheances(fb::Database& base, fb::Transaction& transaction, const QString& sql,
                                 FichierSortie& fichier);

// One CSV field: quoted when it holds ";", a quote or a line break, inner quotes doubled.
QString ChampCsv(const QString& texte);
