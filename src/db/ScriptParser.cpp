#include "db/ScriptParser.h"

namespace script {

namespace {

bool estSeparateur(QChar c)
{
    switch (c.unicode()) {
    case '\t': case '\n': case '\r': case ' ':
    case ',': case '-': case '/': case ';': case '^': case '}':
        return true;
    default:
        return false;
    }
}

bool estBlanc(QChar c)
{
    const char16_t u = c.unicode();
    return u == '\t' || u == '\n' || u == '\r' || u == ' ';
}

// Letters compared without regard to case; other characters as they are.
bool memeCaractere(QChar a, QChar b)
{
    return a == b || (a.isLetter() && a.toUpper() == b.toUpper());
}

const QString kDefinitions[] = {
    QStringLiteral("ALTER"), QStringLiteral("CREATE"), QStringLiteral("COMMENT"), QStringLiteral("DROP"),
    QStringLiteral("DECLARE"), QStringLiteral("GRANT"), QStringLiteral("RECREATE"), QStringLiteral("REVOKE"),
};

class Decoupeur
{
public:
    explicit Decoupeur(const QStringList& lignes) : m_lignes(lignes) {}

    QList<ScriptStatement> executer()
    {
        for (qsizetype ln = 0; ln < m_lignes.size(); ++ln)
            analyserLigne(ln);
        const qsizetype derniere = m_lignes.size() - 1;
        if (m_mode == Mode::Commentaire) {
            // What follows an open "/*" would vanish: it is reported, from the statement or the
            // comment on.
            if (!m_dansInstruction) {
                m_courante = ScriptStatement{};
                m_courante.startLine = m_ligneCommentaire;
                m_courante.startColumn = m_colonneCommentaire;
            }
            incomplet(Defaut::CommentaireOuvert, m_ligneCommentaire, qint32(derniere),
                      quint32(m_lignes.at(derniere).size()));
        } else if (m_dansInstruction && m_dansSetTerm) {
            incomplet(Defaut::SetTermSansFin, m_courante.startLine, qint32(derniere),
                      quint32(m_lignes.at(derniere).size()));
        } else if (m_dansInstruction) {
            terminer(qint32(derniere), quint32(m_lignes.at(derniere).size()));
        }
        return std::move(m_resultat);
    }

private:
    enum class Mode { Normal, Commentaire, Citation };

    void analyserLigne(qsizetype ln)
    {
        const QStringView s(m_lignes.at(ln));
        const qsizetype n = s.size();
        qsizetype i = 0;
        if (m_dansSetTerm && !m_nouveauTerminateur.isEmpty())
            m_apresMot = true;   // a line break ends the word
        while (i < n) {
            const QChar c = s[i];
            const QChar suivant = i + 1 < n ? s[i + 1] : QChar();

            if (m_mode == Mode::Commentaire) {
                if (c == u'*' && suivant == u'/') {
                    m_mode = Mode::Normal;
                    i += 2;
                } else {
                    ++i;
                }
                continue;
            }
            if (m_mode == Mode::Citation) {
                if (c == m_guillemet)
                    m_mode = Mode::Normal;
                ++i;
                continue;
            }

            if (!m_dansInstruction) {
                if (estBlanc(c)) { ++i; continue; }
                if (c == u'-' && suivant == u'-') return;
                if (c == u'/' && suivant == u'*') { ouvrirCommentaire(ln, i); i += 2; continue; }
                // An empty statement: a terminator with nothing before it.
                if (motCleEn(s, i, m_terminateur)) { i += m_terminateur.size(); continue; }
                if (c == u',' || c == u';' || c == u'^' || c == u'}') { ++i; continue; }
                m_dansInstruction = true;
                m_courante = ScriptStatement{};
                m_courante.startLine = qint32(ln);
                m_courante.startColumn = quint32(i + 1);
                if (motCleEn(s, i, u"SET")) {
                    m_attendTerm = true;
                    i += 3;
                }
                continue;   // the first character is scanned inside the statement
            }

            if (m_dansSetTerm) {
                if (motCleEn(s, i, m_terminateur)) {
                    i += m_terminateur.size();   // the terminator in force, not the new one
                    finirSetTerm(ln, i - m_terminateur.size());
                    continue;
                }
                if (!estBlanc(c)) {
                    // "SET TERM ^" then a statement, without the terminator in force between
                    // them: isql takes "^" and goes on; so does the runner, but says so.
                    if (m_apresMot && m_nouveauTerminateur.size() <= kLongueurMaxTerminateur) {
                        setTermAvantSuite(ln);
                        continue;   // c begins the next statement
                    }
                    m_nouveauTerminateur.append(c);
                    m_finMot = {qint32(ln), quint32(i + 1)};
                } else if (!m_nouveauTerminateur.isEmpty()) {
                    m_apresMot = true;
                }
                ++i;
                continue;
            }
            if (m_attendTerm) {
                if (estBlanc(c)) { ++i; continue; }
                m_attendTerm = false;
                if (motCleEn(s, i, u"TERM")) {
                    m_dansSetTerm = true;
                    m_apresMot = false;
                    m_nouveauTerminateur.clear();
                    i += 4;
                    continue;
                }
            }

            if (c == u'\'' || c == u'"') {
                m_mode = Mode::Citation;
                m_guillemet = c;
                ++i;
                continue;
            }
            if (c == u'-' && suivant == u'-') return;
            if (c == u'/' && suivant == u'*') { ouvrirCommentaire(ln, i); i += 2; continue; }
            if (motCleEn(s, i, m_terminateur)) {
                finirAvant(ln, i);
                i += m_terminateur.size();
                continue;
            }
            ++i;
        }
    }

    // Ends the current statement with the character before position i of line ln.
    void finirAvant(qsizetype ln, qsizetype i)
    {
        if (i == 0)
            terminer(qint32(ln - 1), quint32(m_lignes.at(ln - 1).size()));
        else
            terminer(qint32(ln), quint32(i));
    }

    void finirSetTerm(qsizetype ln, qsizetype i)
    {
        m_dansSetTerm = false;
        if (!m_nouveauTerminateur.isEmpty() && m_nouveauTerminateur.size() <= kLongueurMaxTerminateur) {
            m_terminateur = m_nouveauTerminateur;
            m_dansInstruction = false;
            return;
        }
        // Nothing or too much between TERM and the terminator: the server gets it and says why.
        finirAvant(ln, i);
    }

    void ouvrirCommentaire(qsizetype ln, qsizetype i)
    {
        m_mode = Mode::Commentaire;
        m_ligneCommentaire = qint32(ln);
        m_colonneCommentaire = quint32(i + 1);
    }

    void setTermAvantSuite(qsizetype ln)
    {
        m_terminateur = m_nouveauTerminateur;
        m_dansSetTerm = false;
        incomplet(Defaut::SetTermAvantSuite, qint32(ln), m_finMot.ligne, m_finMot.colonne);
    }

    void incomplet(Defaut defaut, qint32 ligneDefaut, qint32 ligneFin, quint32 colonneFin)
    {
        m_courante.endLine = ligneFin;
        m_courante.endColumn = colonneFin;
        m_courante.kind = StatementKind::Incomplete;
        m_courante.defaut = defaut;
        m_courante.ligneDefaut = ligneDefaut;
        m_resultat.append(m_courante);
        m_dansInstruction = false;
        m_attendTerm = false;
    }

    void terminer(qint32 ligneFin, quint32 colonneFin)
    {
        m_courante.endLine = ligneFin;
        m_courante.endColumn = colonneFin;
        m_courante.kind = genreInstruction(texteInstruction(m_lignes, m_courante));
        m_resultat.append(m_courante);
        m_dansInstruction = false;
        m_attendTerm = false;
    }

    const QStringList& m_lignes;
    QList<ScriptStatement> m_resultat;
    QString m_terminateur = QStringLiteral(";");
    QString m_nouveauTerminateur;
    Mode m_mode = Mode::Normal;
    QChar m_guillemet;
    bool m_dansInstruction = false;
    bool m_attendTerm = false;
    bool m_dansSetTerm = false;
    bool m_apresMot = false;   // SET TERM: a blank came after the collected characters
    struct Position
    {
        qint32 ligne = 0;
        quint32 colonne = 0;
    };
    Position m_finMot;   // SET TERM: the last collected character
    qint32 m_ligneCommentaire = 0;
    quint32 m_colonneCommentaire = 0;
    ScriptStatement m_courante;
};

} // namespace

bool motCleEn(QStringView texte, qsizetype pos, QStringView motCle)
{
    if (pos < 0 || motCle.isEmpty() || pos + motCle.size() > texte.size())
        return false;
    for (qsizetype k = 0; k < motCle.size(); ++k)
        if (!memeCaractere(texte[pos + k], motCle[k]))
            return false;
    const qsizetype apres = pos + motCle.size();
    return apres == texte.size() || estSeparateur(texte[apres]);
}

QList<ScriptStatement> decouper(const QStringList& lignes)
{
    return Decoupeur(lignes).executer();
}

QString messageIncomplete(const QStringList& lignes, const ScriptStatement& instruction)
{
    const int debut = instruction.startLine + 1;
    qint32 derniere = instruction.endLine;   // blank lines at the end of the script are no text
    while (derniere > instruction.startLine && lignes.value(derniere).trimmed().isEmpty())
        --derniere;
    const int fin = derniere + 1;
    const int defaut = instruction.ligneDefaut + 1;
    switch (instruction.defaut) {
    case Defaut::CommentaireOuvert:
        return QStringLiteral("Le commentaire ouvert par « /* » ligne %1 n'est jamais fermé par « */ » : le texte des "
                              "lignes %2 à %3 n'est pas exécuté.")
            .arg(defaut).arg(debut).arg(fin);
    case Defaut::SetTermSansFin:
        return QStringLiteral("Le SET TERM de la ligne %1 n'est pas fini par le terminateur en vigueur avant la fin du "
                              "script : le texte des lignes %1 à %2 n'est pas exécuté.")
            .arg(debut).arg(fin);
    case Defaut::SetTermAvantSuite: {
        const QString texte = texteInstruction(lignes, instruction);
        qsizetype i = texte.size();
        while (i > 0 && !estBlanc(texte.at(i - 1)))
            --i;
        return QStringLiteral("Le SET TERM de la ligne %1 n'est pas fini par le terminateur en vigueur avant la ligne %2 "
                              ": « %3 » devient le terminateur, comme avec isql, et la suite est lue avec lui.")
            .arg(debut).arg(defaut).arg(texte.mid(i));
    }
    case Defaut::Aucun:
        break;
    }
    return QString();
}

QStringList lignesInstruction(const QStringList& lignes, const ScriptStatement& instruction)
{
    QStringList resultat;
    if (instruction.startLine < 0 || instruction.endLine >= lignes.size()
        || instruction.endLine < instruction.startLine)
        return resultat;
    for (qint32 ln = instruction.startLine; ln <= instruction.endLine; ++ln) {
        const QString& ligne = lignes.at(ln);
        const qsizetype debut = ln == instruction.startLine ? qsizetype(instruction.startColumn) - 1 : 0;
        const qsizetype fin = ln == instruction.endLine ? qsizetype(instruction.endColumn) : ligne.size();
        resultat.append(fin > debut ? ligne.mid(debut, fin - debut) : QString());
    }
    return resultat;
}

QString texteInstruction(const QStringList& lignes, const ScriptStatement& instruction)
{
    return lignesInstruction(lignes, instruction).join(QLatin1String("\r\n"));
}

StatementKind genreInstruction(QStringView texte)
{
    if (motCleEn(texte, 0, u"COMMIT"))
        return StatementKind::Commit;
    if (motCleEn(texte, 0, u"ROLLBACK"))
        return StatementKind::Rollback;
    for (const QString& mot : kDefinitions)
        if (motCleEn(texte, 0, mot))
            return StatementKind::Definition;
    if (motCleEn(texte, 0, u"SET")) {
        qsizetype i = 3;
        while (i < texte.size() && estBlanc(texte[i]))
            ++i;
        if (motCleEn(texte, i, u"GENERATOR"))
            return StatementKind::Definition;
    }
    return StatementKind::Server;
}

QStringList couperLignes(const QString& texte)
{
    QStringList lignes;
    qsizetype debut = 0;
    const qsizetype n = texte.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = texte[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lignes.append(texte.mid(debut, i - debut));
        if (c == u'\r' && i + 1 < n && texte[i + 1] == u'\n')
            ++i;
        debut = i + 1;
    }
    lignes.append(texte.mid(debut));
    return lignes;
}

} // namespace script
