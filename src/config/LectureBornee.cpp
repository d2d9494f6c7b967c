#include "config/LectureBornee.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace entree {

Lecture Lire(const QString& chemin, qint64 limite)
{
    Lecture l;
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const QFileInfo info(chemin);
        l.etat = !info.exists() ? Lecture::Absent : info.isDir() ? Lecture::Dossier : Lecture::Illisible;
        l.erreur = f.errorString();
        return l;
    }
    constexpr qint64 kMorceau = 256 * 1024;
    for (;;) {
        const qint64 place = limite + 1 - l.octets.size();
        if (place <= 0) {
            l.etat = Lecture::TropGrand;
            l.octets.clear();
            return l;
        }
        const QByteArray morceau = f.read(qMin(kMorceau, place));
        if (morceau.isEmpty()) {
            if (f.error() != QFileDevice::NoError) {
                l.etat = Lecture::Illisible;
                l.erreur = f.errorString();
                l.octets.clear();
            }
            return l;
        }
        l.octets += morceau;
    }
}

QString Nature(const QString& chemin)
{
#ifndef Q_OS_WIN
    struct stat s {};
    if (::stat(QFile::encodeName(chemin).constData(), &s) != 0)
        return QString();
    if (S_ISDIR(s.st_mode))
        return QStringLiteral("un dossier");
    if (S_ISCHR(s.st_mode) || S_ISBLK(s.st_mode))
        return QStringLiteral("un périphérique");
    if (S_ISFIFO(s.st_mode))
        return QStringLiteral("un tube nommé (FIFO)");
    if (S_ISSOCK(s.st_mode))
        return QStringLiteral("une socket");
    return QString();
#else
    return QFileInfo(chemin).isDir() ? QStringLiteral("un dossier") : QString();
#endif
}

QString TexteTaille(qint64 octets)
{
    constexpr qint64 kMo = 1024 * 1024;
    if (octets >= kMo && octets % kMo == 0)
        return QStringLiteral("%1 Mo").arg(octets / kMo);
    return QStringLiteral("%1 octets").arg(octets);
}

QString Extrait(const QString& texte, qsizetype longueur)
{
    if (texte.size() <= longueur)
        return texte;
    qsizetype coupe = longueur;
    if (coupe > 0 && texte.at(coupe - 1).isHighSurrogate())
        --coupe;   // never half a character
    return texte.left(coupe) + QStringLiteral("… (%1 caractères)").arg(texte.size());
}

} // namespace entree
