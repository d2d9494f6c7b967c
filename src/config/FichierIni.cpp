#include "config/FichierIni.h"

#include "config/ErreurConfig.h"
#include "config/Texte.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>

namespace {

bool estCommentaire(const QString& ligneNettoyee)
{
    return ligneNettoyee.startsWith(QLatin1Char(';'));
}

// The section name of a header line, or nullopt when the line is no header.
std::optional<QString> nomSection(const QString& ligne)
{
    const QString t = ligne.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype fin = t.indexOf(QLatin1Char(']'));
    return (fin < 0 ? t.mid(1) : t.mid(1, fin - 1)).trimmed();
}

// The key name of a "name=value" line, or nullopt.
std::optional<QString> nomCle(const QString& ligne)
{
    const QString t = ligne.trimmed();
    if (t.isEmpty() || estCommentaire(t) || t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype egal = t.indexOf(QLatin1Char('='));
    if (egal <= 0)
        return std::nullopt;
    const QString nom = t.left(egal).trimmed();
    if (nom.isEmpty())
        return std::nullopt;
    return nom;
}

bool memeNom(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString sansSautDeLigne(QString valeur)
{
    valeur.replace(QLatin1String("\r\n"), QLatin1String(" "));
    valeur.replace(QLatin1Char('\r'), QLatin1Char(' '));
    valeur.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return valeur;
}

} // namespace

FichierIni::FichierIni(const QString& chemin)
    : m_chemin(chemin)
{
    const QFileInfo info(chemin);
    if (!info.exists())
        return;
    QFile fichier(chemin);
    if (!info.isFile() || info.size() > kTailleMaxFichier || !fichier.open(QIODevice::ReadOnly)) {
        m_nonCharge = true;
        return;
    }
    // Room for the size found, not for the limit: a file that grew meanwhile is being written by
    // someone else and is not ours to rewrite.
    const QByteArray octets = fichier.read(info.size() + 1);
    if (octets.size() > info.size() || fichier.error() != QFileDevice::NoError) {
        m_nonCharge = true;
        return;
    }
    QString texte = texte::decoderFichier(octets);
    m_marqueOrdre = octets.startsWith("\xEF\xBB\xBF") && texte::estUtf8Valide(octets);
    if (texte.contains(QLatin1String("\r\n")))
        m_finLigne = QStringLiteral("\r\n");
    else if (texte.contains(QLatin1Char('\n')))
        m_finLigne = QStringLiteral("\n");
    texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texte.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_lignes = texte.split(QLatin1Char('\n'));
    if (!m_lignes.isEmpty() && m_lignes.constLast().isEmpty())
        m_lignes.removeLast();
}

int FichierIni::trouverSection(const QString& section) const
{
    for (int i = 0; i < m_lignes.size(); ++i) {
        const auto nom = nomSection(m_lignes.at(i));
        if (nom && memeNom(*nom, section))
            return i;
    }
    return -1;
}

int FichierIni::trouverCle(int debut, const QString& cle) const
{
    for (int i = debut + 1; i < m_lignes.size(); ++i) {
        if (nomSection(m_lignes.at(i)))
            break;
        const auto nom = nomCle(m_lignes.at(i));
        if (nom && memeNom(*nom, cle))
            return i;
    }
    return -1;
}

std::optional<QString> FichierIni::valeurBrute(const QString& section, const QString& cle) const
{
    const int s = trouverSection(section);
    if (s < 0)
        return std::nullopt;
    const int c = trouverCle(s, cle);
    if (c < 0)
        return std::nullopt;
    const QString& ligne = m_lignes.at(c);
    return ligne.mid(ligne.indexOf(QLatin1Char('=')) + 1).trimmed().left(kLongueurMaxValeur);
}

QString FichierIni::lireTexte(const QString& section, const QString& cle, const QString& defaut) const
{
    return valeurBrute(section, cle).value_or(defaut);
}

qint32 FichierIni::lireEntier(const QString& section, const QString& cle, qint32 defaut) const
{
    const auto valeur = valeurBrute(section, cle);
    if (!valeur)
        return defaut;
    return convertirEntier(*valeur).value_or(defaut);
}

QDate FichierIni::lireDate(const QString& section, const QString& cle, const QDate& defaut) const
{
    const auto valeur = valeurBrute(section, cle);
    if (!valeur)
        return defaut;
    const QDate d = convertirDate(*valeur);
    return d.isValid() ? d : defaut;
}

QStringList FichierIni::cles(const QString& section) const
{
    QStringList resultat;
    const int s = trouverSection(section);
    if (s < 0)
        return resultat;
    for (int i = s + 1; i < m_lignes.size(); ++i) {
        if (nomSection(m_lignes.at(i)))
            break;
        if (const auto nom = nomCle(m_lignes.at(i)))
            resultat.append(*nom);
    }
    return resultat;
}

bool FichierIni::sectionPresente(const QString& section) const
{
    return !cles(section).isEmpty();
}

void FichierIni::ecrireTexte(const QString& section, const QString& cle, const QString& valeur)
{
    if (m_nonCharge)
        throw ErreurConfig(QStringLiteral("Impossible d'écrire dans %1").arg(m_chemin));
    const QStringList avant = m_lignes;
    const QString ligne = cle.trimmed() + QLatin1Char('=') + sansSautDeLigne(valeur);
    const int s = trouverSection(section);
    if (s < 0) {
        m_lignes.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lignes.append(ligne);
    } else if (const int c = trouverCle(s, cle); c >= 0) {
        m_lignes[c] = ligne;
    } else {
        int derniere = s;
        for (int i = s + 1; i < m_lignes.size() && !nomSection(m_lignes.at(i)); ++i) {
            if (nomCle(m_lignes.at(i)))
                derniere = i;
        }
        m_lignes.insert(derniere + 1, ligne);
    }
    try {
        enregistrer();
    } catch (...) {
        m_lignes = avant;   // memory keeps matching the disk
        throw;
    }
}

void FichierIni::ecrireEntier(const QString& section, const QString& cle, qint32 valeur)
{
    ecrireTexte(section, cle, QString::number(valeur));
}

void FichierIni::ecrireDate(const QString& section, const QString& cle, const QDate& valeur)
{
    ecrireTexte(section, cle, formaterDate(valeur));
}

void FichierIni::enregistrer()
{
    // Without its mark, a file whose text begins with U+FEFF would lose that character to the
    // next reading, and a line would change meaning ("\uFEFF[s]" is no header, "[s]" is).
    QByteArray octets = m_marqueOrdre ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const QString& l : std::as_const(m_lignes)) {
        octets += l.toUtf8();
        octets += m_finLigne.toLatin1();
    }
    QSaveFile fichier(m_chemin);
    fichier.setDirectWriteFallback(true);
    const bool ok = fichier.open(QIODevice::WriteOnly) && fichier.write(octets) == octets.size()
                    && fichier.commit();
    if (!ok)
        throw ErreurConfig(QStringLiteral("Impossible d'écrire dans %1").arg(m_chemin));
}

std::optional<qint32> FichierIni::convertirEntier(const QString& texte)
{
    QStringView t = QStringView(texte).trimmed();
    bool negatif = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negatif = t.front() == QLatin1Char('-');
        t = t.mid(1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t = t.mid(1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t = t.mid(2);
    }
    if (t.isEmpty())
        return std::nullopt;
    quint64 v = 0;
    for (const QChar c : t) {
        const char16_t u = c.unicode();
        int chiffre = -1;
        if (u >= u'0' && u <= u'9')
            chiffre = u - u'0';
        else if (u >= u'a' && u <= u'f')
            chiffre = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            chiffre = u - u'A' + 10;
        if (chiffre < 0 || chiffre >= base)
            return std::nullopt;
        v = v * quint64(base) + quint64(chiffre);
        if (v > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (base == 16) {
        const auto motif = static_cast<qint32>(static_cast<quint32>(v));
        return negatif ? static_cast<qint32>(0u - static_cast<quint32>(motif)) : motif;
    }
    const qint64 signe = negatif ? -qint64(v) : qint64(v);
    if (signe < std::numeric_limits<qint32>::min() || signe > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(signe);
}

QString FichierIni::formaterDate(const QDate& date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QDate FichierIni::convertirDate(const QString& texte)
{
    const QString t = texte.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
    return d;
}
