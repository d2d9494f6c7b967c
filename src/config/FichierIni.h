#pragma once
// A profile (INI) file with the semantics the club product's own files rely on.
//
// - Section and key names are matched without regard to letter case; the first section and the
//   first key of a given name win, as with the Windows profile functions.
// - A section counts as present only when it holds at least one key. A key is a line
//   "name=value" with a non-empty name; lines starting with ";" are comments; lines before the
//   first section header and lines without "=" are ignored.
// - Blanks around names and values are trimmed; quotes are kept as they stand.
// - A value is read back as at most kLongueurMaxValeur characters.
// - Integers are decimal, or hexadecimal after "0x", "0X" or "$", with an optional sign; a
//   hexadecimal value of up to 8 digits is taken as a 32-bit pattern ("0xFFFFFFFF" is -1).
//   Anything else yields the default.
// - Dates are written "dd/MM/yyyy" and read in that form (one-digit day or month accepted).
// - Read as UTF-8 when valid, otherwise as Windows-1252; written as UTF-8, keeping the line
//   ends found in the file (CR LF for a new file) and its byte-order mark.
// - Line breaks inside a written value become blanks, so that a value never forges a line.
// - Each write goes to disk at once: a key replaces its line in place or is appended after the
//   last line of its section; a new section goes at the end of the file; the first write
//   creates the file (never its folder). A write that cannot be done throws ErreurConfig with
//   "Impossible d'écrire dans <path>".
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

class FichierIni
{
public:
    static constexpr int kLongueurMaxValeur = 2047;
    // Larger files, and files that exist but cannot be read, are not loaded: their keys read
    // as absent and writes are refused, so that a rewrite never replaces a file we did not hold.
    static constexpr qint64 kTailleMaxFichier = 32 * 1024 * 1024;

    explicit FichierIni(const QString& chemin);

    const QString& chemin() const { return m_chemin; }

    QString lireTexte(const QString& section, const QString& cle, const QString& defaut) const;
    qint32 lireEntier(const QString& section, const QString& cle, qint32 defaut) const;
    QDate lireDate(const QString& section, const QString& cle, const QDate& defaut) const;
    bool sectionPresente(const QString& section) const;
    QStringList cles(const QString& section) const;

    void ecrireTexte(const QString& section, const QString& cle, const QString& valeur);
    void ecrireEntier(const QString& section, const QString& cle, qint32 valeur);
    void ecrireDate(const QString& section, const QString& cle, const QDate& valeur);

    // Integer conversion of the profile functions (see above); nullopt when not an integer.
    static std::optional<qint32> convertirEntier(const QString& texte);
    static QString formaterDate(const QDate& date);
    static QDate convertirDate(const QString& texte);

private:
    // Index of the header line of the first section named so, or -1.
    int trouverSection(const QString& section) const;
    // Index of the line holding the key inside the section starting at debut, or -1.
    int trouverCle(int debut, const QString& cle) const;
    std::optional<QString> valeurBrute(const QString& section, const QString& cle) const;
    void enregistrer();

    QString m_chemin;
    QStringList m_lignes;
    QString m_finLigne = QStringLiteral("\r\n");
    bool m_nonCharge = false;   // the file exists but could not be loaded
    bool m_marqueOrdre = false; // the file began with a UTF-8 byte-order mark
};
