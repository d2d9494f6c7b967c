#include "annulation/Annulation.h"

#include "annulation/LectureJournal.h"
#include "annulation/StructureTable.h"
#include "db/Firebird.h"

#include <QDir>
#include <QHash>
#include <memory>

namespace {

// SQL codes of the refusals that name a row rather than end the undo.
constexpr int kCleEnDouble = -803;     // the row exists again
constexpr int kCleEtrangere = -530;    // a row it refers to, or that refers to it, changed
constexpr int kConflitVerrou = -913;   // another transaction holds the row
constexpr int kVerrouSansAttente = -901;

struct Interruption
{
};

// Puts the statements of a journal back, one row at a time, on the undo's transaction.
class Retour
{
public:
    Retour(fb::Database& base, fb::Transaction& tr, StructuresTables& structures)
        : m_base(base), m_tr(tr), m_structures(structures)
    {
    }

    // False when the row no longer is as the run left it (the conflict is noted).
    bool appliquer(const InstructionJournal& i)
    {
        const StructureTable& s = m_structures.structure(i.table);
        verifierNoms(s, i);
        const QString table = IdentifiantSql(s.nom);
        QStringList affectations, noms, marques;
        for (int k = 0; k < i.colonnes.size(); ++k) {
            const QString v = QStringLiteral(":V") + QString::number(k);
            affectations << IdentifiantSql(i.colonnes.at(k)) + QStringLiteral(" = ") + v;
            noms << IdentifiantSql(i.colonnes.at(k));
            marques << v;
        }
        QString sql;
        switch (i.genre) {
        case InstructionJournal::Genre::Retablir:
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, affectations.join(QStringLiteral(", ")), condition(i));
            break;
        case InstructionJournal::Genre::Supprimer:
            sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, condition(i));
            break;
        case InstructionJournal::Genre::Reinserer:
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, noms.join(QStringLiteral(", ")), marques.join(QStringLiteral(", ")));
            break;
        }
        fb::Query& q = requete(sql);
        for (int k = 0; k < i.valeurs.size(); ++k) {
            const QString nom = QStringLiteral("V") + QString::number(k);
            if (i.valeurs.at(k))
                q.setParamBytes(nom, *i.valeurs.at(k));
            else
                q.setParamNull(nom);
        }
        if (i.genre != InstructionJournal::Genre::Reinserer) {
            for (int k = 0; k < i.valeursCle.size(); ++k)
                poserCle(q, i, k);
            q.setParam(QStringLiteral("VERSION"), i.version);
        }
        try {
            q.execute();
        } catch (const DbError& e) {
            switch (e.sqlCode()) {
            case kCleEnDouble:
                return noter(s, i, QStringLiteral("ajoutée de nouveau depuis le traitement"));
            case kCleEtrangere:
                return noter(s, i, QStringLiteral("liée à une ligne changée depuis le traitement"));
            case kConflitVerrou:
            case kVerrouSansAttente:
                return noter(s, i, QStringLiteral("en cours de modification par une autre transaction"));
            default:
                throw;
            }
        }
        if (i.genre == InstructionJournal::Genre::Reinserer || q.rowsAffected() == 1)
            return true;
        return noter(s, i, existe(s, i) ? QStringLiteral("modifiée depuis le traitement")
                                        : QStringLiteral("supprimée depuis le traitement"));
    }

    // Whether the row stands as the run's transaction wrote it: a block whose commit is not
    // known committed if any of its rows does.
    bool ecriteParLeTraitement(const InstructionJournal& i)
    {
        const StructureTable& s = m_structures.structure(i.table);
        verifierNoms(s, i);
        if (i.genre == InstructionJournal::Genre::Reinserer)
            return !s.parDbKey() && !existe(s, i);
        fb::Query& q = requete(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(IdentifiantSql(s.nom), condition(i)));
        for (int k = 0; k < i.valeursCle.size(); ++k)
            poserCle(q, i, k);
        q.setParam(QStringLiteral("VERSION"), i.version);
        q.execute();
        const bool trouvee = !q.eof();
        q.close();
        return trouvee;
    }

    const QList<Annulation::Conflit>& conflits() const { return m_conflits; }
    qint64 nombreConflits() const { return m_nombreConflits; }

private:
    // The row's own version, or the undo's: a row that a later operation's undo put back
    // already is this transaction's.
    static QString condition(const InstructionJournal& i)
    {
        QStringList c;
        for (int k = 0; k < i.colonnesCle.size(); ++k)
            c << (i.parDbKey() ? QStringLiteral("RDB$DB_KEY") : IdentifiantSql(i.colonnesCle.at(k))) + QStringLiteral(" = :K")
                    + QString::number(k);
        c << QStringLiteral("(RDB$RECORD_VERSION = :VERSION OR RDB$RECORD_VERSION = CURRENT_TRANSACTION)");
        return c.join(QStringLiteral(" AND "));
    }

    // Names are checked against the database before they make a statement.
    void verifierNoms(const StructureTable& s, const InstructionJournal& i) const
    {
        if (!s.existe())
            throw DbError(QStringLiteral("La table %1 du journal n'existe pas dans la base.").arg(i.table));
        QStringList noms = i.colonnes;
        if (!i.parDbKey())
            noms << i.colonnesCle;
        for (const QString& n : noms)
            if (!s.colonnes.contains(n))
                throw DbError(QStringLiteral("La colonne %1.%2 du journal n'existe pas dans la base.").arg(i.table, n));
    }

    bool existe(const StructureTable& s, const InstructionJournal& i)
    {
        if (s.parDbKey() && i.genre == InstructionJournal::Genre::Reinserer)
            return false;
        QStringList c;
        QList<QByteArray> valeurs;
        if (i.genre == InstructionJournal::Genre::Reinserer) {
            for (const QString& k : s.cle)
                valeurs << i.valeurs.value(int(i.colonnes.indexOf(k))).value_or(QByteArray());
        } else {
            valeurs = i.valeursCle;
        }
        const QStringList cle = s.parDbKey() ? QStringList{QStringLiteral("RDB$DB_KEY")} : s.cle;
        for (int k = 0; k < cle.size(); ++k)
            c << (s.parDbKey() ? cle.at(k) : IdentifiantSql(cle.at(k))) + QStringLiteral(" = :K") + QString::number(k);
        fb::Query& q = requete(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(IdentifiantSql(s.nom), c.join(QStringLiteral(" AND "))));
        for (int k = 0; k < valeurs.size(); ++k)
            PoserCle(q, QStringLiteral("K") + QString::number(k), valeurs.at(k), s.entieres.contains(cle.at(k)));
        q.execute();
        const bool trouvee = !q.eof();
        q.close();
        return trouvee;
    }

    void poserCle(fb::Query& q, const InstructionJournal& i, int k)
    {
        const QString nom = QStringLiteral("K") + QString::number(k);
        if (i.parDbKey())
            q.setParamBytes(nom, i.valeursCle.at(k));
        else
            PoserCle(q, nom, i.valeursCle.at(k), m_structures.structure(i.table).entieres.contains(i.colonnesCle.at(k)));
    }

    bool noter(const StructureTable& s, const InstructionJournal& i, const QString& raison)
    {
        if (m_conflits.size() < Annulation::kMaxConflits)
            m_conflits.append({s.nom, i.texteCle(s.cle), raison});
        ++m_nombreConflits;
        return false;
    }

    // Statements prepared once per text; a journal has few shapes, the cache stays small.
    fb::Query& requete(const QString& sql)
    {
        auto it = m_requetes.find(sql);
        if (it == m_requetes.end()) {
            if (m_requetes.size() >= 64)
                m_requetes.clear();
            it = m_requetes.insert(sql, std::make_shared<fb::Query>(m_base, m_tr));
            (*it)->setSql(sql);
        }
        return **it;
    }

    fb::Database& m_base;
    fb::Transaction& m_tr;
    StructuresTables& m_structures;
    QHash<QString, std::shared_ptr<fb::Query>> m_requetes;
    QList<Annulation::Conflit> m_conflits;
    qint64 m_nombreConflits = 0;
};

struct ArretParcours
{
};

} // namespace

Annulation::Annulation(fb::Database& base, QObject* parent) : QObject(parent), m_base(base)
{
}

void Annulation::interrompre()
{
    const std::lock_guard<std::mutex> verrou(m_verrou);
    if (!m_enCours || m_interrompu.exchange(true))
        return;
    m_base.annulerOperation();
}

Annulation::Apercu Annulation::Lire(const QString& journal)
{
    Apercu a;
    try {
        const LectureJournal j(journal);
        a.moment = j.entete().moment;
        for (const BlocJournal& b : j.blocs())
            if (b.etat != BlocJournal::Etat::NonValidee)
                a.lignes += b.instructions;
    } catch (const ErreurLectureJournal&) {
    }
    return a;
}

Annulation::Resultat Annulation::annuler(const QString& journal, bool simulation)
{
    Resultat r;
    r.simulation = simulation;
    std::unique_ptr<LectureJournal> lecture;
    try {
        lecture = std::make_unique<LectureJournal>(journal);
    } catch (const ErreurLectureJournal& e) {
        r.issue = Issue::Illisible;
        r.erreur = e.texte();
        return r;
    }
    r.moment = lecture->entete().moment;
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_enCours = true;
        m_interrompu = false;
    }
    const auto verifierInterruption = [this] {
        if (m_interrompu)
            throw Interruption{};
    };

    fb::Transaction tr(m_base);
    tr.setParams({QStringLiteral("write"), QStringLiteral("nowait"), QStringLiteral("rec_version"),
                  QStringLiteral("read_committed")});
    try {
        const QString creation = journal_annulation::CreationBase(m_base);
        if (creation != lecture->entete().creationBase) {
            r.issue = Issue::AutreBase;
            r.erreur = QStringLiteral("Le journal %1 est celui d'une autre base (créée le %2) ; la base connectée a été "
                                      "créée le %3. Rien n'a été modifié.")
                           .arg(QDir::toNativeSeparators(journal), lecture->entete().creationBase, creation);
        } else {
            const ComptesModifications::Releve avant = ComptesModifications::lire(m_base);
            tr.start();
            StructuresTables structures(m_base, tr);
            Retour retour(m_base, tr, structures);
            qint64 total = 0;
            for (const BlocJournal& b : lecture->blocs())
                total += b.instructions;
            qint64 faites = 0;
            const QList<BlocJournal>& blocs = lecture->blocs();
            for (auto b = blocs.crbegin(); b != blocs.crend(); ++b) {
                bool valide = b->etat == BlocJournal::Etat::Validee;
                if (b->etat == BlocJournal::Etat::Inconnue) {
                    // The run ended between this block's flush and its mark: it committed
                    // when one of its rows stands as it wrote it.
                    try {
                        lecture->parcourir(*b, [&](const InstructionJournal& i) {
                            verifierInterruption();
                            if (retour.ecriteParLeTraitement(i)) {
                                valide = true;
                                throw ArretParcours{};
                            }
                        });
                    } catch (const ArretParcours&) {
                    }
                }
                if (!valide) {
                    if (b->instructions > 0)
                        r.ignorees << b->modele;
                    continue;
                }
                // Rows put back first (parents before children), then restored, then the
                // inserted ones removed (children before parents).
                for (const auto genre : {InstructionJournal::Genre::Reinserer, InstructionJournal::Genre::Retablir,
                                         InstructionJournal::Genre::Supprimer}) {
                    QStringList tables;
                    for (const auto& gt : b->genresTables)
                        if (gt.first == int(genre))
                            tables << gt.second;
                    tables.sort();
                    tables = structures.parentsDAbord(tables);
                    if (genre == InstructionJournal::Genre::Supprimer)
                        std::reverse(tables.begin(), tables.end());
                    for (const QString& table : tables)
                        lecture->parcourir(*b, [&](const InstructionJournal& i) {
                            if (i.genre != genre || i.table != table)
                                return;
                            verifierInterruption();
                            if (retour.appliquer(i))
                                ++r.lignes;
                            if (++faites % 1000 == 0)
                                Q_EMIT progression(faites, total);
                        });
                }
            }
            Q_EMIT progression(total, total);
            r.conflits = retour.conflits();
            r.nombreConflits = retour.nombreConflits();
            r.comptes = ComptesModifications::difference(avant, ComptesModifications::lire(m_base));
            {
                // No cancellation may reach the commit.
                const std::lock_guard<std::mutex> verrou(m_verrou);
                m_enCours = false;
            }
            verifierInterruption();
            if (r.nombreConflits > 0) {
                tr.rollback();
                r.issue = Issue::Refusee;
                r.lignes = 0;
            } else {
                if (simulation)
                    tr.rollback();
                else
                    tr.commit();
                r.issue = Issue::Faite;
            }
        }
    } catch (const Interruption&) {
        r.issue = Issue::Interrompue;
    } catch (const ErreurLectureJournal& e) {
        r.issue = Issue::Illisible;
        r.erreur = e.texte();
    } catch (const DbError& e) {
        r.issue = m_interrompu ? Issue::Interrompue : Issue::Erreur;
        r.erreur = e.texte();
    }
    if (r.issue != Issue::Faite) {
        try {
            if (tr.isActive())
                tr.rollback();
        } catch (const DbError&) {
        }
        r.lignes = 0;
    }
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_enCours = false;
        if (m_interrompu)
            m_base.oublierAnnulation();
    }
    return r;
}

QStringList Annulation::Resultat::lignesSortie() const
{
    QStringList l{QStringLiteral("Annulation du traitement du ") + moment.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))};
    if (simulation)
        l << QStringLiteral("Simulation : l'annulation n'est pas enregistrée.");
    for (const QString& op : ignorees)
        l << QStringLiteral("Opération %1 : elle n'a pas été validée par le traitement, rien à défaire.").arg(op);
    if (issue != Issue::Faite)
        return l;
    for (const CompteTable& c : comptes)
        l << ComptesModifications::ligne(QStringLiteral("Annulation"), c);
    l << QStringLiteral("Annulation terminée : %1 ligne(s) rétablie(s).").arg(lignes);
    return l;
}

QString Annulation::Resultat::texteEchec() const
{
    switch (issue) {
    case Issue::Faite:
        return {};
    case Issue::Refusee: {
        QStringList l{QStringLiteral("Annulation refusée : %1 ligne(s) ont changé depuis le traitement ; rien n'a été "
                                     "modifié.")
                          .arg(nombreConflits)};
        for (const Conflit& c : conflits)
            l << QStringLiteral("%1 %2 : %3").arg(c.table, c.cle, c.raison);
        if (nombreConflits > conflits.size())
            l << QStringLiteral("... et %1 autre(s).").arg(nombreConflits - conflits.size());
        return l.join(QLatin1Char('\n'));
    }
    case Issue::Interrompue:
        return QStringLiteral("Annulation interrompue : rien n'a été modifié.");
    case Issue::Erreur:
        return erreur + QStringLiteral("\nL'annulation n'a pas abouti : rien n'a été modifié.");
    case Issue::Illisible:
    case Issue::AutreBase:
        return erreur;
    }
    return erreur;
}
