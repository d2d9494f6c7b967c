#include "annulation/LectureJournal.h"

#include "annulation/Cellule.h"

#include <QDir>
#include <QFileInfo>

#include <cctype>

namespace {

struct Jeton
{
    enum class Genre { Fin, Commentaire, Identifiant, Cite, Texte, Nombre, Signe };
    Genre genre = Genre::Fin;
    QString texte;   // identifier (unquoted), comment line, literal as written, or the sign
    bool majuscules = true;
};

// Tokens of the journal's own dialect over [p, fin).
class Lecteur
{
public:
    Lecteur(const char* debut, qint64 position, qint64 fin) : m_debut(debut), m_p(position), m_fin(fin) {}

    qint64 position() const { return m_p; }
    int ligne() const { return m_ligne; }
    void setLigne(int l) { m_ligne = l; }

    Jeton suivant()
    {
        while (m_p < m_fin && std::isspace(static_cast<unsigned char>(m_debut[m_p]))) {
            if (m_debut[m_p] == '\n')
                ++m_ligne;
            ++m_p;
        }
        Jeton j;
        if (m_p >= m_fin)
            return j;
        const char c = m_debut[m_p];
        if (c == '-' && m_p + 1 < m_fin && m_debut[m_p + 1] == '-') {
            const qint64 debut = m_p;
            while (m_p < m_fin && m_debut[m_p] != '\n')
                ++m_p;
            j.genre = Jeton::Genre::Commentaire;
            j.texte = QString::fromUtf8(m_debut + debut, m_p - debut);
            return j;
        }
        if (c == '\'') {
            j.genre = Jeton::Genre::Texte;
            j.texte = cite('\'');
            return j;
        }
        if (c == '"') {
            j.genre = Jeton::Genre::Identifiant;
            const QString t = cite('"');
            j.texte = t.mid(1, t.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
            j.majuscules = false;
            return j;
        }
        if (std::isalpha(static_cast<unsigned char>(c))) {
            const qint64 debut = m_p;
            while (m_p < m_fin && (std::isalnum(static_cast<unsigned char>(m_debut[m_p])) || m_debut[m_p] == '_'
                                   || m_debut[m_p] == '$'))
                ++m_p;
            j.genre = Jeton::Genre::Identifiant;
            j.texte = QString::fromLatin1(m_debut + debut, m_p - debut).toUpper();
            if (j.texte == QLatin1String("X") && m_p < m_fin && m_debut[m_p] == '\'') {
                j.genre = Jeton::Genre::Cite;
                j.texte = QLatin1Char('X') + cite('\'');
            }
            return j;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || ((c == '-' || c == '+') && m_p + 1 < m_fin)) {
            const qint64 debut = m_p++;
            while (m_p < m_fin && (std::isalnum(static_cast<unsigned char>(m_debut[m_p])) || m_debut[m_p] == '.'
                                   || ((m_debut[m_p] == '-' || m_debut[m_p] == '+')
                                       && (m_debut[m_p - 1] == 'E' || m_debut[m_p - 1] == 'e'))))
                ++m_p;
            j.genre = Jeton::Genre::Nombre;
            j.texte = QString::fromLatin1(m_debut + debut, m_p - debut);
            return j;
        }
        j.genre = Jeton::Genre::Signe;
        j.texte = QString(QLatin1Char(c));
        ++m_p;
        return j;
    }

private:
    // A quoted text with its quotes, doubled quotes kept; unterminated: up to the end.
    QString cite(char q)
    {
        const qint64 debut = m_p++;
        while (m_p < m_fin) {
            if (m_debut[m_p] == '\n')
                ++m_ligne;
            if (m_debut[m_p] == q) {
                if (m_p + 1 < m_fin && m_debut[m_p + 1] == q) {
                    m_p += 2;
                    continue;
                }
                ++m_p;
                return QString::fromUtf8(m_debut + debut, m_p - debut);
            }
            ++m_p;
        }
        return QString::fromUtf8(m_debut + debut, m_p - debut) + QChar(0);   // never a valid literal
    }

    const char* m_debut;
    qint64 m_p;
    qint64 m_fin;
    int m_ligne = 1;
};

struct ErreurSyntaxe
{
    int ligne;
    QString texte;
};

// The statements of the journal, from the token after a comment.
class Analyse
{
public:
    explicit Analyse(Lecteur& l) : m_l(l) {}

    // Parses one statement whose first token is `premier`.
    InstructionJournal instruction(const Jeton& premier)
    {
        InstructionJournal i;
        i.ligne = m_l.ligne();
        if (estMot(premier, "UPDATE")) {
            i.genre = InstructionJournal::Genre::Retablir;
            i.table = identifiant();
            mot("SET");
            do {
                i.colonnes << identifiant();
                signe('=');
                i.valeurs << valeur();
            } while (virguleOuMot("WHERE"));
            condition(i);
        } else if (estMot(premier, "DELETE")) {
            i.genre = InstructionJournal::Genre::Supprimer;
            mot("FROM");
            i.table = identifiant();
            mot("WHERE");
            condition(i);
        } else if (estMot(premier, "INSERT")) {
            i.genre = InstructionJournal::Genre::Reinserer;
            mot("INTO");
            i.table = identifiant();
            signe('(');
            do
                i.colonnes << identifiant();
            while (virguleOuSigne(')'));
            mot("VALUES");
            signe('(');
            do
                i.valeurs << valeur();
            while (virguleOuSigne(')'));
            signe(';');
            if (i.colonnes.size() != i.valeurs.size())
                erreur(QStringLiteral("autant de valeurs que de colonnes sont attendues"));
        } else {
            erreur(QStringLiteral("UPDATE, DELETE ou INSERT est attendu"));
        }
        return i;
    }

private:
    [[noreturn]] void erreur(const QString& texte) { throw ErreurSyntaxe{m_l.ligne(), texte}; }

    static bool estMot(const Jeton& j, const char* m)
    {
        return j.genre == Jeton::Genre::Identifiant && j.majuscules && j.texte == QLatin1String(m);
    }

    void mot(const char* m)
    {
        if (!estMot(m_l.suivant(), m))
            erreur(QStringLiteral("%1 est attendu").arg(QLatin1String(m)));
    }

    void signe(char c)
    {
        const Jeton j = m_l.suivant();
        if (j.genre != Jeton::Genre::Signe || j.texte != QLatin1Char(c))
            erreur(QStringLiteral("« %1 » est attendu").arg(QLatin1Char(c)));
    }

    bool virguleOuMot(const char* m)
    {
        const Jeton j = m_l.suivant();
        if (j.genre == Jeton::Genre::Signe && j.texte == QLatin1String(","))
            return true;
        if (estMot(j, m))
            return false;
        erreur(QStringLiteral("« , » ou %1 est attendu").arg(QLatin1String(m)));
    }

    bool virguleOuSigne(char c)
    {
        const Jeton j = m_l.suivant();
        if (j.genre == Jeton::Genre::Signe && j.texte == QLatin1String(","))
            return true;
        if (j.genre == Jeton::Genre::Signe && j.texte == QLatin1Char(c))
            return false;
        erreur(QStringLiteral("« , » ou « %1 » est attendu").arg(QLatin1Char(c)));
    }

    QString identifiant()
    {
        const Jeton j = m_l.suivant();
        if (j.genre != Jeton::Genre::Identifiant || j.texte.isEmpty())
            erreur(QStringLiteral("un nom est attendu"));
        return j.texte;
    }

    std::optional<QByteArray> valeur()
    {
        Jeton j = m_l.suivant();
        QString ecrit = j.texte;
        if (j.genre == Jeton::Genre::Identifiant && j.majuscules
            && (j.texte == QLatin1String("DATE") || j.texte == QLatin1String("TIME") || j.texte == QLatin1String("TIMESTAMP"))) {
            const Jeton t = m_l.suivant();
            if (t.genre != Jeton::Genre::Texte)
                erreur(QStringLiteral("une date entre apostrophes est attendue"));
            ecrit += QLatin1Char(' ') + t.texte;
        } else if (j.genre == Jeton::Genre::Identifiant && !(j.majuscules && (j.texte == QLatin1String("NULL")
                                                                               || j.texte == QLatin1String("TRUE")
                                                                               || j.texte == QLatin1String("FALSE")))) {
            erreur(QStringLiteral("une valeur est attendue"));
        } else if (j.genre == Jeton::Genre::Signe || j.genre == Jeton::Genre::Fin || j.genre == Jeton::Genre::Commentaire) {
            erreur(QStringLiteral("une valeur est attendue"));
        }
        const litteraux::Lu lu = litteraux::lire(ecrit);
        if (!lu.valide)
            erreur(QStringLiteral("la valeur %1 ne se lit pas").arg(ecrit.left(40)));
        return lu.octets;
    }

    // key = value [AND key = value]... AND RDB$RECORD_VERSION = n ;
    void condition(InstructionJournal& i)
    {
        for (;;) {
            const QString nom = identifiant();
            signe('=');
            if (nom == QLatin1String("RDB$RECORD_VERSION")) {
                const Jeton v = m_l.suivant();
                bool ok = false;
                i.version = v.texte.toLongLong(&ok);
                if (v.genre != Jeton::Genre::Nombre || !ok || i.version <= 0)
                    erreur(QStringLiteral("un numéro de transaction est attendu"));
                signe(';');
                break;
            }
            const std::optional<QByteArray> v = valeur();
            if (!v)
                erreur(QStringLiteral("une clé ne peut pas être NULL"));
            i.colonnesCle << nom;
            i.valeursCle << *v;
            mot("AND");
        }
        if (i.colonnesCle.isEmpty() || (i.colonnesCle.contains(QStringLiteral("RDB$DB_KEY")) && i.colonnesCle.size() > 1))
            erreur(QStringLiteral("la ligne n'est pas désignée par sa clé"));
    }

    Lecteur& m_l;
};

QString valeurEntete(const QString& ligne, const char* cle)
{
    const QString prefixe = QStringLiteral("-- ") + QString::fromUtf8(cle) + QStringLiteral(" : ");
    return ligne.startsWith(prefixe) ? ligne.mid(prefixe.size()) : QString();
}

} // namespace

QString InstructionJournal::texteCle(const QStringList& cle) const
{
    if (parDbKey())
        return litteraux::texteDbKey(valeursCle.value(0));
    if (genre != Genre::Reinserer)
        return litteraux::texteCle(valeursCle);
    QList<QByteArray> v;
    for (const QString& c : cle)
        v << valeurs.value(int(colonnes.indexOf(c))).value_or(QByteArray());
    return litteraux::texteCle(v);
}

LectureJournal::LectureJournal(const QString& chemin) : m_chemin(chemin), m_fichier(chemin)
{
    const QFileInfo info(chemin);
    if (!info.isFile() || !m_fichier.open(QIODevice::ReadOnly))
        throw ErreurLectureJournal(QStringLiteral("Le journal %1 ne peut pas être lu : %2.")
                                       .arg(QDir::toNativeSeparators(chemin),
                                            info.exists() && !info.isFile() ? QStringLiteral("ce n'est pas un fichier")
                                                                            : m_fichier.errorString()));
    m_taille = m_fichier.size();
    if (m_taille > 0) {
        m_debut = reinterpret_cast<const char*>(m_fichier.map(0, m_taille));
        if (!m_debut)
            throw ErreurLectureJournal(QStringLiteral("Le journal %1 ne peut pas être lu : %2.")
                                           .arg(QDir::toNativeSeparators(chemin), m_fichier.errorString()));
    }
    indexer();
}

void LectureJournal::indexer()
{
    const auto pasUnJournal = [&](const QString& raison) {
        return ErreurLectureJournal(QStringLiteral("%1 n'est pas un journal d'annulation de Module spécial : %2.")
                                        .arg(QDir::toNativeSeparators(m_chemin), raison));
    };
    Lecteur l(m_debut, 0, m_taille);
    Jeton j = l.suivant();
    if (j.genre != Jeton::Genre::Commentaire || j.texte != QString::fromUtf8(journal_annulation::kEntete))
        throw pasUnJournal(QStringLiteral("sa première ligne n'est pas celle d'un journal"));
    // The header: comment lines up to the first block.
    for (;;) {
        const qint64 avant = l.position();
        const int ligneAvant = l.ligne();
        j = l.suivant();
        if (j.genre != Jeton::Genre::Commentaire || j.texte.startsWith(QString::fromUtf8(journal_annulation::kDebutOperation))) {
            l = Lecteur(m_debut, avant, m_taille);
            l.setLigne(ligneAvant);
            break;
        }
        if (const QString v = valeurEntete(j.texte, "Base"); !v.isEmpty())
            m_entete.base = v;
        if (const QString v = valeurEntete(j.texte, "Base créée le"); !v.isEmpty())
            m_entete.creationBase = v;
        if (const QString v = valeurEntete(j.texte, "Centre"); !v.isEmpty())
            m_entete.centre = v.section(QLatin1Char(' '), 0, 0).toInt();
        if (const QString v = valeurEntete(j.texte, "Traitement du"); !v.isEmpty())
            m_entete.moment = QDateTime::fromString(v, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        if (const QString v = valeurEntete(j.texte, "Opérations"); !v.isEmpty())
            m_entete.operations = v.split(QStringLiteral(", "));
    }
    if (m_entete.creationBase.isEmpty() || !m_entete.moment.isValid())
        throw pasUnJournal(QStringLiteral("son en-tête ne nomme pas la base et le moment du traitement"));

    const QString debutOp = QString::fromUtf8(journal_annulation::kDebutOperation);
    const QString finOp = QString::fromUtf8(journal_annulation::kFinOperation);
    BlocJournal* bloc = nullptr;
    Analyse analyse(l);
    for (;;) {
        const qint64 position = l.position();
        try {
            j = l.suivant();
        } catch (const ErreurSyntaxe&) {
            break;
        }
        if (j.genre == Jeton::Genre::Fin)
            break;
        if (j.genre == Jeton::Genre::Commentaire) {
            if (j.texte.startsWith(debutOp)) {
                BlocJournal b;
                const QString suite = j.texte.mid(debutOp.size());
                b.modele = suite.section(QStringLiteral(", transaction "), 0, 0);
                bool ok = false;
                b.transaction = suite.section(QStringLiteral(", transaction "), 1).toLongLong(&ok);
                if (!ok)
                    throw pasUnJournal(QStringLiteral("ligne %1 : le numéro de transaction ne se lit pas").arg(l.ligne()));
                b.debut = b.fin = l.position();
                b.ligneDebut = l.ligne();
                m_blocs.append(b);
                bloc = &m_blocs.last();
            } else if (bloc && j.texte.startsWith(finOp)) {
                bloc->complet = true;
                bloc->fin = position;
            } else if (bloc && bloc->complet && j.texte == QString::fromUtf8(journal_annulation::kValidee)) {
                bloc->etat = BlocJournal::Etat::Validee;
            } else if (bloc && bloc->complet && j.texte == QString::fromUtf8(journal_annulation::kNonValidee)) {
                bloc->etat = BlocJournal::Etat::NonValidee;
            }
            continue;
        }
        if (!bloc || bloc->complet)
            throw pasUnJournal(QStringLiteral("ligne %1 : une instruction est hors d'un bloc d'opération").arg(l.ligne()));
        try {
            const InstructionJournal i = analyse.instruction(j);
            bloc->genresTables.insert({int(i.genre), i.table});
            ++bloc->instructions;
        } catch (const ErreurSyntaxe& e) {
            // The tail of a run killed while it wrote: no end line follows, the block never
            // reached its commit.
            const QByteArray reste = QByteArray::fromRawData(m_debut + position, m_taille - position);
            if (!reste.contains(QByteArray("\n") + finOp.toUtf8())) {
                m_blocs.removeLast();
                break;
            }
            throw pasUnJournal(QStringLiteral("ligne %1 : %2").arg(e.ligne).arg(e.texte));
        }
    }
    // A block cut short by the end of the file never reached its commit.
    if (!m_blocs.isEmpty() && !m_blocs.last().complet)
        m_blocs.removeLast();
}

void LectureJournal::parcourir(const BlocJournal& bloc, const std::function<void(const InstructionJournal&)>& action) const
{
    Lecteur l(m_debut, bloc.debut, bloc.fin);
    l.setLigne(bloc.ligneDebut);
    Analyse analyse(l);
    for (Jeton j = l.suivant(); j.genre != Jeton::Genre::Fin; j = l.suivant()) {
        if (j.genre == Jeton::Genre::Commentaire)
            continue;
        try {
            action(analyse.instruction(j));
        } catch (const ErreurSyntaxe& e) {
            throw ErreurLectureJournal(QStringLiteral("%1, ligne %2 : %3.").arg(QDir::toNativeSeparators(m_chemin)).arg(e.ligne).arg(e.texte));
        }
    }
}
