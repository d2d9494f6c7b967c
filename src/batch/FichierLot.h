#pragma once
// The job file of "--batch": the options of one run, under the control names of the pages,
//
//   [Selection]  rgSource, JvFilenameEdit1, cbxMultiCentre
//   [Options]    the seven boxes, Memo1, mmoSolde, the six dates, edtMontant3, edtMontant4,
//                edtValeur1, rgChoix2, cbModes, cbModes2, cbModes4, cbArticle, cbArticle2,
//                MessageType
//
// read and checked completely before any connection: a job that cannot be read, an unknown
// section or key, a key given twice, a value that does not parse, a box that its source hides
// or two boxes that exclude each other are refused with the file, the key and the value named.
#include "batch/ControleurOptions.h"

#include <QDate>
#include <QMap>
#include <QString>
#include <optional>
#include <stdexcept>

class ControleurSelection;

class ErreurFichierLot : public std::runtime_error
{
public:
    explicit ErreurFichierLot(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

struct FichierLot
{
    enum class Genre { Source, Chemin, Drapeau, Case, Texte, Date, Montant, Choix, Liste, TypeMessage };
    struct Cle
    {
        QString section;
        QString nom;
        Genre genre;
    };
    // Every key of the format, in the pages' order.
    static const QList<Cle>& cles();

    QString chemin;
    QMap<QString, int> lignes;   // key → its line in the file

    std::optional<int> rgSource;
    std::optional<QString> JvFilenameEdit1;   // relative paths are taken from the job's folder
    std::optional<bool> cbxMultiCentre;

    QMap<CaseOption, bool> cases;
    QMap<QString, QString> textes;         // Memo1, mmoSolde ("\n" already a line break)
    QMap<QString, QDate> dates;
    QMap<QString, fb::Decimal> montants;
    std::optional<int> rgChoix2;
    QMap<QString, qint64> listes;          // method or article ids
    std::optional<int> MessageType;

    bool cochee(CaseOption c) const { return cases.value(c, false); }

    // Raises ErreurFichierLot.
    static FichierLot lire(const QString& chemin);
    static FichierLot analyser(const QString& chemin, const QString& texte);

    // Applies the job as an operator would: Multi Centre, the source choice (run once), each
    // ticked box through its click handling in the page's order, then rgChoix2 and the other
    // values without further click handling. An id that its list does not hold leaves no item
    // chosen, which the run's checks refuse. Raises ErreurFichierLot when a ticked box did not
    // stay ticked or a date lies before its editor's minimum.
    void appliquer(ControleurSelection& selection, ControleurOptions& options) const;
};
