#include "annulation/ApercuChangements.h"

#include "config/FichierSortie.h"
#include "db/Firebird.h"

#include <QDataStream>
#include <QDir>
#include <QSet>
#include <QtEndian>
#include <algorithm>

namespace {

constexpr qint64 kTailleBloc = 64 * 1024;

// The columns that name the client of a row, one per table that carries one.
const QStringList& ColonnesClient()
{
    static const QStringList c{QStringLiteral("CLI_ID"),     QStringLiteral("ACT_IDCLI"), QStringLiteral("ECHE_IDCLI"),
                               QStringLiteral("CMG_IDCLI"),  QStringLiteral("VTE_IDCLI"), QStringLiteral("REG_IDCLI")};
    return c;
}

} // namespace

QString ApercuChangements::TexteValeur(const Cellule& c)
{
    if (c.nul)
        return {};
    switch (c.type) {
    case fb::TypeColonne::Entier:
    case fb::TypeColonne::Decimal:
    case fb::TypeColonne::Flottant:
    case fb::TypeColonne::Date:
        return QString::fromLatin1(c.octets);
    case fb::TypeColonne::Heure:
        return QString::fromLatin1(c.octets.left(8));
    case fb::TypeColonne::Horodatage:
        return QString::fromLatin1(c.octets.left(19));
    case fb::TypeColonne::Booleen:
        return c.octets == "TRUE" ? QStringLiteral("true") : QStringLiteral("false");
    case fb::TypeColonne::Texte:
        return texte::depuisCp1252(c.octets);
    case fb::TypeColonne::Octets:
    case fb::TypeColonne::Autre:
        break;
    }
    return QString::fromLatin1(c.octets.toHex().toUpper());
}

namespace {

QString texteCellule(const Cellule& c)
{
    return ApercuChangements::TexteValeur(c);
}

// Bytes whose order is the key's: integers by value, the rest by their bytes.
QByteArray cleTri(const QList<Cellule>& image, const StructureTable& s, const QByteArray& dbKey)
{
    if (s.parDbKey())
        return dbKey;
    QByteArray t;
    for (const QString& nom : s.cle) {
        const Cellule c = image.value(int(s.colonnes.indexOf(nom)));
        if (c.type == fb::TypeColonne::Entier && !c.nul) {
            char octets[8];
            qToBigEndian(quint64(c.octets.toLongLong()) ^ (quint64(1) << 63), octets);
            t += QByteArray(octets, 8);
        } else {
            t += c.octets + '\0';
        }
    }
    return t;
}

struct Bloc
{
    QString table;
    QByteArray cle;
    qint64 debut = 0;
    QList<qint32> longueurs;   // of its lines, CR LF included
};

} // namespace

// A row's image after an operation, with the DB_KEY that names a row of a table without key.
struct ApercuChangements::Etat
{
    QByteArray dbKey;
    QList<Cellule> image;   // empty: the row is gone
};

class ApercuChangements::Recepteur : public RecepteurLignes
{
public:
    Recepteur(ApercuChangements& a, const QString& modele, fb::Database& base, fb::Transaction& execution)
        : m_a(a), m_modele(modele), m_noms(base, execution)
    {
        m_noms.setSql(QStringLiteral("SELECT CLI_NOM, CLI_PRENOM FROM CLIENTS WHERE CLI_ID = :ID"));
        if (!m_a.m_operation.resize(0) || !m_a.m_operation.seek(0))
            m_a.echecFichier(m_a.m_operation);
    }

    void ligne(const LigneChangee& l) override
    {
        const QString id = identite(*l.table, l.texteCle());
        m_vus.insert(id);
        const bool connue = m_a.m_index.contains(id);
        const QList<Cellule> precedente = connue ? lireEtat(m_a.m_index.value(id)).image : l.avant;
        comparer(*l.table, id, l.dbKey, precedente, l.apres);
    }

    // Rows this run wrote before and that are gone now: the capture sees them no more.
    void disparues(const StructureTable& s)
    {
        const QString prefixe = identite(s, QString());
        QList<QString> ids;
        for (auto it = m_a.m_index.cbegin(); it != m_a.m_index.cend(); ++it)
            if (it.value() >= 0 && it.key().startsWith(prefixe) && !m_vus.contains(it.key()))
                ids << it.key();
        std::sort(ids.begin(), ids.end());
        for (const QString& id : ids) {
            const Etat e = lireEtat(m_a.m_index.value(id));
            comparer(s, id, e.dbKey, e.image, {});
        }
    }

    // The operation's rows in table and key order, appended to the lines.
    void ranger()
    {
        std::stable_sort(m_blocs.begin(), m_blocs.end(), [](const Bloc& x, const Bloc& y) {
            return x.table != y.table ? x.table < y.table : x.cle < y.cle;
        });
        QFile& source = m_a.m_operation;
        QFile& cible = m_a.m_lignes;
        if (!cible.seek(cible.size()))
            m_a.echecFichier(cible);
        qint64 position = cible.size();
        for (const Bloc& b : m_blocs) {
            qint64 taille = 0;
            for (const qint32 n : b.longueurs) {
                m_a.m_debuts.append(position + taille);
                taille += n;
            }
            if (!source.seek(b.debut))
                m_a.echecFichier(source);
            const QByteArray octets = source.read(taille);
            if (octets.size() != taille)
                m_a.echecFichier(source);
            if (cible.write(octets) != taille)
                m_a.echecFichier(cible);
            position += taille;
        }
        if (!cible.flush())
            m_a.echecFichier(cible);
    }

private:
    static QString identite(const StructureTable& s, const QString& cle) { return s.nom + QLatin1Char('\x1f') + cle; }

    Etat lireEtat(qint64 position)
    {
        Etat e;
        if (position < 0)
            return e;
        QFile& f = m_a.m_etats;
        if (!f.seek(position))
            m_a.echecFichier(f);
        QDataStream in(&f);
        qint32 n = 0;
        in >> e.dbKey >> n;
        for (qint32 i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
            Cellule c;
            qint8 type = 0;
            in >> type >> c.nul >> c.octets;
            c.type = fb::TypeColonne(type);
            e.image << c;
        }
        if (in.status() != QDataStream::Ok)
            m_a.echecFichier(f);
        return e;
    }

    qint64 ecrireEtat(const QByteArray& dbKey, const QList<Cellule>& image)
    {
        if (image.isEmpty())
            return -1;
        QFile& f = m_a.m_etats;
        const qint64 position = f.size();
        if (!f.seek(position))
            m_a.echecFichier(f);
        QDataStream out(&f);
        out << dbKey << qint32(image.size());
        for (const Cellule& c : image)
            out << qint8(c.type) << c.nul << c.octets;
        if (out.status() != QDataStream::Ok)
            m_a.echecFichier(f);
        return position;
    }

    QString nom(const StructureTable& s, const QList<Cellule>& image, QString& client)
    {
        int colonne = -1;
        for (const QString& c : ColonnesClient())
            if ((colonne = int(s.colonnes.indexOf(c))) >= 0)
                break;
        if (colonne < 0 || image.value(colonne).nul)
            return {};
        client = texteCellule(image.at(colonne));
        const qint64 id = client.toLongLong();
        const auto connu = m_a.m_noms.constFind(id);
        if (connu != m_a.m_noms.cend())
            return *connu;
        QStringList parties;
        m_noms.setParam(QStringLiteral("ID"), id);
        m_noms.execute();
        if (!m_noms.eof())
            parties << m_noms.asString(0).trimmed() << m_noms.asString(1).trimmed();
        m_noms.close();
        parties.removeAll(QString());
        return m_a.m_noms[id] = parties.join(QLatin1Char(' '));
    }

    void comparer(const StructureTable& s, const QString& id, const QByteArray& dbKey, const QList<Cellule>& avant,
                  const QList<Cellule>& apres)
    {
        if (avant == apres)
            return;
        const QList<Cellule>& image = apres.isEmpty() ? avant : apres;
        LigneChangee l;
        l.table = &s;
        l.apres = image;
        l.dbKey = dbKey;
        QString client;
        const QString nomClient = nom(s, image, client);
        const QString nature = avant.isEmpty()   ? QStringLiteral("ajout")
                               : apres.isEmpty() ? QStringLiteral("suppression")
                                                 : QStringLiteral("modification");
        const QString debut = QStringList{texte::champCsv(m_modele), texte::champCsv(s.nom), texte::champCsv(l.texteCle()),
                                          client, texte::champCsv(nomClient), nature}
                                  .join(QLatin1Char(';'));
        Bloc b{s.nom, cleTri(image, s, dbKey), m_a.m_operation.pos(), {}};
        for (int i = 0; i < s.colonnes.size(); ++i) {
            const Cellule a = avant.value(i);
            const Cellule p = apres.value(i);
            if (a == p)
                continue;
            const QByteArray ligne = (debut + QLatin1Char(';') + texte::champCsv(s.colonnes.at(i)) + QLatin1Char(';')
                                      + texte::champCsv(texteCellule(a)) + QLatin1Char(';')
                                      + texte::champCsv(texteCellule(p)))
                                         .toUtf8()
                                     + "\r\n";
            if (m_a.m_operation.write(ligne) != ligne.size())
                m_a.echecFichier(m_a.m_operation);
            b.longueurs << qint32(ligne.size());
        }
        m_a.m_index.insert(id, ecrireEtat(dbKey, apres));
        if (b.longueurs.isEmpty())
            return;
        Compte& c = m_a.m_comptes[s.nom];
        ++c.lignes;
        c.colonnes += b.longueurs.size();
        m_blocs << b;
    }

    ApercuChangements& m_a;
    QString m_modele;
    fb::Query m_noms;
    QSet<QString> m_vus;
    QList<Bloc> m_blocs;
};

const QStringList& ApercuChangements::Titres()
{
    static const QStringList t{QStringLiteral("operation"), QStringLiteral("table"),   QStringLiteral("cle"),
                               QStringLiteral("client"),    QStringLiteral("nom"),     QStringLiteral("nature"),
                               QStringLiteral("colonne"),   QStringLiteral("avant"),   QStringLiteral("apres")};
    return t;
}

ApercuChangements::ApercuChangements()
{
    for (QTemporaryFile* f : {&m_lignes, &m_etats, &m_operation}) {
        f->setFileTemplate(QDir::tempPath() + QStringLiteral("/module-special-apercu-XXXXXX"));
        if (!f->open())
            echecFichier(*f);
    }
}

ApercuChangements::~ApercuChangements() = default;

void ApercuChangements::echecFichier(const QFile& f) const
{
    throw DbError(QStringLiteral("Le fichier de travail de l'aperçu des changements (%1) ne peut pas être écrit ni "
                                 "relu : %2.\nLibérez de la place dans le dossier temporaire %3, puis relancez la "
                                 "simulation.")
                      .arg(QDir::toNativeSeparators(f.fileName()), f.errorString(),
                           QDir::toNativeSeparators(QDir::tempPath())));
}

void ApercuChangements::operationTerminee(const QString& modele, const QList<CompteTable>& comptes,
                                          StructuresTables& structures, CaptureLignes& capture, fb::Database& base,
                                          fb::Transaction& execution)
{
    QList<TableTouchee> tables;
    for (const CompteTable& c : comptes)
        tables.append({c.table, c.suppressions > 0});
    Recepteur r(*this, modele, base, execution);
    capture.capturer(tables, r);
    for (const TableTouchee& t : tables)
        if (t.suppressions && !TableHorsJournal(t.nom) && structures.structure(t.nom).existe())
            r.disparues(structures.structure(t.nom));
    r.ranger();
}

QString ApercuChangements::texteLigne(qint64 i) const
{
    if (i < 0 || i >= m_debuts.size())
        return {};
    const qint64 fin = i + 1 < m_debuts.size() ? m_debuts.at(i + 1) : m_lignes.size();
    if (!m_lignes.seek(m_debuts.at(i)))
        return {};
    QByteArray octets = m_lignes.read(fin - m_debuts.at(i));
    octets.chop(2);
    return QString::fromUtf8(octets);
}

QString ApercuChangements::texteComptes() const
{
    QStringList parties;
    for (auto it = m_comptes.cbegin(); it != m_comptes.cend(); ++it)
        parties << QStringLiteral("%1 : %2 ligne(s), %3 colonne(s)").arg(it.key()).arg(it->lignes).arg(it->colonnes);
    return parties.isEmpty() ? QStringLiteral("Aucun changement.") : parties.join(QStringLiteral(" ; "));
}

bool ApercuChangements::exporter(FichierSortie& fichier, QString& erreur) const
{
    const auto echec = [&](const QString& cause) {
        erreur = cause;
        fichier.abandonner();
        return false;
    };
    if (!fichier.ecrire(Titres().join(QLatin1Char(';')).toUtf8() + "\r\n"))
        return echec(fichier.cause());
    if (!m_lignes.seek(0))
        return echec(m_lignes.errorString());
    for (qint64 reste = m_lignes.size(); reste > 0;) {
        const QByteArray bloc = m_lignes.read(std::min(reste, kTailleBloc));
        if (bloc.isEmpty())
            return echec(m_lignes.errorString());
        if (!fichier.ecrire(bloc))
            return echec(fichier.cause());
        reste -= bloc.size();
    }
    if (!fichier.valider())
        return echec(fichier.cause());
    return true;
}
