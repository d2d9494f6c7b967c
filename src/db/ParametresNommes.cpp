#include "db/ParametresNommes.h"

namespace fb {
namespace {

bool debutNom(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        || c == QLatin1Char('_');
}

bool suiteNom(QChar c)
{
    return debutNom(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('$');
}

// Index just past the quoted text or comment that starts at i, or i when none starts there.
qsizetype passerTexteOuCommentaire(const QString& s, qsizetype i)
{
    const qsizetype n = s.size();
    const QChar c = s.at(i);
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        const qsizetype fin = s.indexOf(c, i + 1);
        return fin < 0 ? n : fin + 1;
    }
    if (c == QLatin1Char('-') && i + 1 < n && s.at(i + 1) == QLatin1Char('-')) {
        const qsizetype fin = s.indexOf(QLatin1Char('\n'), i + 2);
        return fin < 0 ? n : fin + 1;
    }
    if (c == QLatin1Char('/') && i + 1 < n && s.at(i + 1) == QLatin1Char('*')) {
        const qsizetype fin = s.indexOf(QLatin1String("*/"), i + 2);
        return fin < 0 ? n : fin + 2;
    }
    return i;
}

// The first `combien` words of the statement, upper-cased, skipping blanks and comments.
QStringList premiersMots(const QString& s, int combien)
{
    QStringList mots;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && mots.size() < combien) {
        const qsizetype apres = passerTexteOuCommentaire(s, i);
        if (apres != i) {
            if (s.at(i) == QLatin1Char('\'') || s.at(i) == QLatin1Char('"'))
                break;
            i = apres;
            continue;
        }
        if (s.at(i).isSpace()) {
            ++i;
            continue;
        }
        if (!debutNom(s.at(i)))
            break;
        qsizetype j = i;
        while (j < n && suiteNom(s.at(j)))
            ++j;
        mots << s.mid(i, j - i).toUpper();
        i = j;
    }
    return mots;
}

} // namespace

SqlPositionnel versPositionnel(const QString& sql)
{
    SqlPositionnel r;
    const QStringList mots = premiersMots(sql, 2);
    const QString premier = mots.value(0);
    if (premier == QLatin1String("CREATE") || premier == QLatin1String("ALTER") || premier == QLatin1String("RECREATE")
        || premier == QLatin1String("DECLARE")) {
        r.sql = sql;
        return r;
    }
    const bool bloc = premier == QLatin1String("EXECUTE") && mots.value(1) == QLatin1String("BLOCK");

    const qsizetype n = sql.size();
    r.sql.reserve(n);
    int profondeur = 0;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype apres = passerTexteOuCommentaire(sql, i);
        if (apres != i) {
            r.sql += QStringView(sql).mid(i, apres - i);
            i = apres;
            continue;
        }
        const QChar c = sql.at(i);
        if (c == QLatin1Char(':') && i + 1 < n && debutNom(sql.at(i + 1))
            && (i == 0 || !suiteNom(sql.at(i - 1)))) {
            qsizetype j = i + 1;
            while (j < n && suiteNom(sql.at(j)))
                ++j;
            const QString nom = sql.mid(i + 1, j - i - 1);
            int index = -1;
            for (int k = 0; k < r.noms.size(); ++k)
                if (r.noms.at(k).compare(nom, Qt::CaseInsensitive) == 0)
                    index = k;
            if (index < 0) {
                index = int(r.noms.size());
                r.noms << nom;
            }
            r.positions << index;
            r.sql += QLatin1Char('?');
            i = j;
            continue;
        }
        if (debutNom(c)) {
            qsizetype j = i;
            while (j < n && suiteNom(sql.at(j)))
                ++j;
            const QStringView mot = QStringView(sql).mid(i, j - i);
            if (bloc && profondeur == 0 && mot.compare(QLatin1String("AS"), Qt::CaseInsensitive) == 0) {
                r.sql += QStringView(sql).mid(i);   // the PSQL body: the engine's own
                return r;
            }
            r.sql += mot;
            i = j;
            continue;
        }
        if (c == QLatin1Char('('))
            ++profondeur;
        else if (c == QLatin1Char(')') && profondeur > 0)
            --profondeur;
        r.sql += c;
        ++i;
    }
    return r;
}

} // namespace fb
