#include "batch/JournalTraitement.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace journal_traitement {

QString Dossier()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/temp");
}

QString NomBase(const QDateTime& moment)
{
    return QStringLiteral("Log_Brevan_") + moment.toString(QStringLiteral("yyMMdd-HHmmss")) + QStringLiteral(".log");
}

QString Ecrire(const QString& dossier, const QDateTime& moment, const QStringList& lignes)
{
    const QString base = QDir(dossier).filePath(NomBase(moment));
    if (!QDir().mkpath(dossier))
        throw ErreurJournalTraitement(base, QStringLiteral("le dossier %1 ne peut pas être créé")
                                                .arg(QDir::toNativeSeparators(dossier)));
    QByteArray contenu;
    for (const QString& l : lignes)
        contenu += l.toUtf8() + "\r\n";

    // NewOnly: a name taken meanwhile by another run is never overwritten.
    for (int rang = 1;; ++rang) {
        QString chemin = base;
        if (rang > 1)
            chemin.insert(chemin.size() - 4, QStringLiteral("-%1").arg(rang));
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (f.exists() && rang < 10000)
                continue;
            throw ErreurJournalTraitement(chemin, f.errorString());
        }
        if (f.write(contenu) != contenu.size() || !f.flush()) {
            const QString raison = f.errorString();
            f.close();
            f.remove();
            throw ErreurJournalTraitement(chemin, raison);
        }
        f.close();
        return chemin;
    }
}

} // namespace journal_traitement
