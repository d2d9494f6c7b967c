#include "batch/VerificationSimulation.h"

#include "db/Firebird.h"

#include <QHash>
#include <QQueue>
#include <QRegularExpression>
#include <QSet>

namespace {

// RDB$DEPENDENCIES object types that can hold or run code.
enum TypeObjet { Table = 0, Vue = 1, Declencheur = 2, Procedure = 5, Fonction = 15, Paquet = 18, CorpsPaquet = 19 };

struct Routine
{
    QString source;
    bool externe = false;    // an external engine: nothing to read
    bool udf = false;        // DECLARE EXTERNAL FUNCTION: no database access
};

QString cle(int type, const QString& nom)
{
    // Views are tables here: both have triggers and dependencies; a package body is its package.
    const int t = type == Vue ? Table : type == CorpsPaquet ? Paquet : type;
    return QString::number(t) + QLatin1Char(':') + nom;
}

class Catalogue
{
public:
    explicit Catalogue(fb::Database& base) : m_tr(base)
    {
        m_tr.setParams({QStringLiteral("read"), QStringLiteral("nowait"), QStringLiteral("rec_version"),
                        QStringLiteral("read_committed")});
        m_tr.start();
        lire(base, "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [this](fb::Query& q) { m_tables.insert(q.asString(0)); });
        lire(base,
             "SELECT TRIM(RDB$PROCEDURE_NAME), RDB$PROCEDURE_SOURCE, RDB$ENGINE_NAME FROM RDB$PROCEDURES "
             "WHERE RDB$PACKAGE_NAME IS NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [this](fb::Query& q) { m_routines.insert(cle(Procedure, q.asString(0)), {q.asString(1), !q.isNull(2), false}); });
        lire(base,
             "SELECT TRIM(RDB$FUNCTION_NAME), RDB$FUNCTION_SOURCE, RDB$ENGINE_NAME, RDB$LEGACY_FLAG, RDB$MODULE_NAME "
             "FROM RDB$FUNCTIONS WHERE RDB$PACKAGE_NAME IS NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [this](fb::Query& q) {
                 const bool udf = q.asInt64(3) == 1 || (!q.isNull(4) && q.isNull(2));
                 m_routines.insert(cle(Fonction, q.asString(0)), {q.asString(1), !q.isNull(2), udf});
             });
        lire(base,
             "SELECT TRIM(RDB$PACKAGE_NAME), RDB$PACKAGE_BODY_SOURCE FROM RDB$PACKAGES WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0",
             [this](fb::Query& q) { m_routines.insert(cle(Paquet, q.asString(0)), {q.asString(1), false, false}); });
        // Active triggers only: an inactive one never runs. Transaction triggers (types 8194 to
        // 8196) run with every transaction, the simulation's included.
        lire(base,
             "SELECT TRIM(RDB$TRIGGER_NAME), TRIM(RDB$RELATION_NAME), RDB$TRIGGER_SOURCE, RDB$ENGINE_NAME, RDB$TRIGGER_TYPE "
             "FROM RDB$TRIGGERS WHERE COALESCE(RDB$TRIGGER_INACTIVE, 0) = 0 AND COALESCE(RDB$SYSTEM_FLAG, 0) <> 1",
             [this](fb::Query& q) {
                 const QString nom = q.asString(0);
                 m_routines.insert(cle(Declencheur, nom), {q.asString(2), !q.isNull(3), false});
                 const qint64 type = q.asInt64(4);
                 if (!q.isNull(1))
                     m_declencheurs[q.asString(1)].append(nom);
                 else if (type >= 8194 && type <= 8196)
                     m_declencheursTransaction.append(nom);
             });
        lire(base,
             "SELECT TRIM(RDB$DEPENDENT_NAME), RDB$DEPENDENT_TYPE, TRIM(RDB$DEPENDED_ON_NAME), RDB$DEPENDED_ON_TYPE "
             "FROM RDB$DEPENDENCIES",
             [this](fb::Query& q) {
                 const int type = int(q.asInt64(3));
                 if (type == Table || type == Vue || type == Declencheur || type == Procedure || type == Fonction
                     || type == Paquet || type == CorpsPaquet)
                     m_dependances[cle(int(q.asInt64(1)), q.asString(0))].append(cle(type, q.asString(2)));
             });
        m_tr.commit();
    }

    QSet<QString> m_tables;
    QHash<QString, Routine> m_routines;
    QHash<QString, QStringList> m_declencheurs;   // by table
    QStringList m_declencheursTransaction;
    QHash<QString, QStringList> m_dependances;

private:
    template <typename F>
    void lire(fb::Database& base, const char* sql, F ligne)
    {
        fb::Query q(base, m_tr);
        q.setSql(QLatin1String(sql));
        for (q.execute(); !q.eof(); q.next())
            ligne(q);
        q.close();
    }

    fb::Transaction m_tr;
};

QString nomObjet(const QString& k)
{
    return k.section(QLatin1Char(':'), 1);
}

} // namespace

QString SourceSansCommentaires(const QString& source)
{
    QString t;
    t.reserve(source.size());
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source.at(i);
        const QChar suivant = i + 1 < source.size() ? source.at(i + 1) : QChar();
        if (c == QLatin1Char('-') && suivant == QLatin1Char('-')) {
            while (i < source.size() && source.at(i) != QLatin1Char('\n'))
                ++i;
            t += QLatin1Char(' ');
        } else if (c == QLatin1Char('/') && suivant == QLatin1Char('*')) {
            const qsizetype fin = source.indexOf(QLatin1String("*/"), i + 2);
            i = fin < 0 ? source.size() : fin + 1;
            t += QLatin1Char(' ');
        } else if (c == QLatin1Char('\'')) {
            // Quoted text is kept whole: a "--" or "/*" inside it opens no comment.
            const qsizetype debut = i;
            for (++i; i < source.size(); ++i)
                if (source.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < source.size() && source.at(i + 1) == QLatin1Char('\''))
                        ++i;
                    else
                        break;
                }
            t += source.mid(debut, i - debut + 1);
        } else {
            t += c;
        }
    }
    static const QRegularExpression blancs(QStringLiteral("\\s+"));
    return t.toUpper().replace(blancs, QStringLiteral(" "));
}

VerdictSimulation VerifierSimulation(fb::Database& base, const QStringList& textes)
{
    const Catalogue cat(base);

    QQueue<QString> file;
    QSet<QString> vus;
    auto atteindre = [&](const QString& k) {
        if (!vus.contains(k)) {
            vus.insert(k);
            file.enqueue(k);
        }
    };

    static const QRegularExpression identifiant(QStringLiteral("[A-Za-z][A-Za-z0-9_$]*"));
    QStringList noms;
    for (const QString& texte : textes)
        for (auto it = identifiant.globalMatch(texte); it.hasNext();)
            noms << it.next().captured().toUpper();
    noms.removeDuplicates();
    noms.sort();
    for (const QString& nom : noms) {
        if (cat.m_tables.contains(nom))
            atteindre(cle(Table, nom));
        for (int type : {Procedure, Fonction, Paquet})
            if (cat.m_routines.contains(cle(type, nom)))
                atteindre(cle(type, nom));
    }
    for (const QString& nom : cat.m_declencheursTransaction)
        atteindre(cle(Declencheur, nom));

    VerdictSimulation verdict;
    static const QStringList clausesAutonomes = {QStringLiteral("IN AUTONOMOUS TRANSACTION"),
                                                 QStringLiteral("WITH AUTONOMOUS TRANSACTION"),
                                                 QStringLiteral("ON EXTERNAL")};
    while (!file.isEmpty()) {
        const QString k = file.dequeue();
        const QString nom = nomObjet(k);
        if (k.startsWith(QString::number(Table) + QLatin1Char(':'))) {
            for (const QString& d : cat.m_declencheurs.value(nom))
                atteindre(cle(Declencheur, d));
        } else if (const auto it = cat.m_routines.constFind(k); it != cat.m_routines.cend()) {
            if (it->udf)
                continue;
            const QString source = SourceSansCommentaires(it->source).trimmed();
            if (it->externe || source.isEmpty()) {
                verdict.refus = QStringLiteral("Simulation impossible : %1 ne peut pas être vérifié.").arg(nom);
                return verdict;
            }
            for (const QString& clause : clausesAutonomes)
                if (source.contains(clause)) {
                    verdict.refus = QStringLiteral("Simulation impossible : %1 enregistre ses modifications dans une "
                                                   "transaction autonome, qu'aucune annulation ne peut défaire.")
                                        .arg(nom);
                    return verdict;
                }
            if (source.contains(QLatin1String("EXECUTE STATEMENT")))
                verdict.sqlDynamique << nom;
        }
        for (const QString& d : cat.m_dependances.value(k))
            atteindre(d);
    }
    return verdict;
}
