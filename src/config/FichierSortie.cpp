#include "config/FichierSortie.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString conseilFichier()
{
    return QStringLiteral("Donnez le nom d'un fichier ordinaire.");
}

QString conseilDroits()
{
    return QStringLiteral("Vérifiez le chemin et vos droits d'écriture.");
}

} // namespace

FichierSortie::FichierSortie(const QString& chemin) : m_chemin(chemin) {}

FichierSortie::~FichierSortie()
{
    abandonner();
}

bool FichierSortie::refuser(const QString& cause, const QString& conseil)
{
    m_cause = cause;
    m_conseil = conseil;
    m_fichier.reset();
    return false;
}

bool FichierSortie::ouvrir()
{
    m_fichier.reset();
    m_enPlace = false;
    m_cause.clear();
    m_conseil.clear();
#ifndef Q_OS_WIN
    const QByteArray nom = QFile::encodeName(m_chemin);
    struct stat cible {};
    if (::stat(nom.constData(), &cible) == 0) {
        // Our own standard output or error under another name (/dev/stdout, /proc/self/fd/1):
        // written through that descriptor, after what it already holds.
        for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            struct stat s {};
            if (::fstat(fd, &s) == 0 && s.st_dev == cible.st_dev && s.st_ino == cible.st_ino) {
                auto fichier = std::make_unique<QFile>();
                if (!fichier->open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
                    return refuser(fichier->errorString(), conseilDroits());
                m_fichier = std::move(fichier);
                m_enPlace = true;
                return true;
            }
        }
        if (S_ISDIR(cible.st_mode))
            return refuser(QStringLiteral("c'est un dossier"), QStringLiteral("Donnez le nom d'un fichier."));
        if (S_ISBLK(cible.st_mode))
            return refuser(QStringLiteral("c'est un périphérique de blocs (un disque ou une partition), que le programme "
                                          "n'écrit jamais"),
                           conseilFichier());
        if (S_ISSOCK(cible.st_mode))
            return refuser(QStringLiteral("c'est une socket"), conseilFichier());
        if (S_ISCHR(cible.st_mode) || S_ISFIFO(cible.st_mode)) {
            const QString nature = S_ISFIFO(cible.st_mode) ? QStringLiteral("un tube nommé (FIFO)")
                                                           : QStringLiteral("un périphérique");
            // Without a reader a FIFO would hold the program at its opening, forever.
            const int fd = ::open(nom.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0) {
                const int erreur = errno;
                if (erreur == ENXIO && S_ISFIFO(cible.st_mode))
                    return refuser(QStringLiteral("c'est un tube nommé (FIFO) qu'aucun programme ne lit"),
                                   QStringLiteral("Lancez d'abord le programme qui le lit, ou donnez le nom d'un "
                                                  "fichier ordinaire."));
                return refuser(QStringLiteral("c'est %1, et il refuse l'écriture (%2)")
                                   .arg(nature, QString::fromLocal8Bit(std::strerror(erreur))),
                               conseilDroits());
            }
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);   // writes wait for the reader
            auto fichier = std::make_unique<QFile>();
            if (!fichier->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
                ::close(fd);
                return refuser(fichier->errorString(), conseilDroits());
            }
            m_fichier = std::move(fichier);
            m_enPlace = true;
            return true;
        }
        if (!S_ISREG(cible.st_mode))
            return refuser(QStringLiteral("ce n'est pas un fichier ordinaire"), conseilFichier());
    }
#endif
    m_fichier = std::make_unique<QSaveFile>(m_chemin);
    if (m_fichier->open(QIODevice::WriteOnly))
        return true;
    causeSysteme(true);
    m_fichier.reset();
    return false;
}

void FichierSortie::causeSysteme(bool ouverture)
{
    m_conseil = conseilDroits();
    const QFileInfo dossier(QFileInfo(m_chemin).absolutePath());
    if (!ouverture)
        m_cause = m_fichier->errorString();
    else if (!dossier.exists())
        m_cause = QStringLiteral("le dossier « %1 » n'existe pas").arg(QDir::toNativeSeparators(dossier.filePath()));
    else if (!dossier.isDir())
        m_cause = QStringLiteral("« %1 » n'est pas un dossier").arg(QDir::toNativeSeparators(dossier.filePath()));
    else if (!dossier.isWritable())
        // The copy aside is made in the folder: a writable file in a read-only folder cannot be replaced.
        m_cause = QStringLiteral("le dossier « %1 » n'est pas accessible en écriture (%2)")
                      .arg(QDir::toNativeSeparators(dossier.filePath()), m_fichier->errorString());
    else
        m_cause = m_fichier->errorString();
}

bool FichierSortie::ecrire(const QByteArray& octets)
{
    if (!m_fichier)
        return false;
    if (m_fichier->write(octets) == octets.size())
        return true;
    causeSysteme(false);
    return false;
}

bool FichierSortie::valider()
{
    if (!m_fichier)
        return false;
    bool ok = false;
    if (auto* sauve = dynamic_cast<QSaveFile*>(m_fichier.get()))
        ok = sauve->commit();
    else
        ok = m_fichier->flush() && m_fichier->error() == QFileDevice::NoError;
    if (!ok) {
        causeSysteme(false);
        abandonner();
        return false;
    }
    m_fichier.reset();
    return true;
}

void FichierSortie::abandonner()
{
    if (auto* sauve = dynamic_cast<QSaveFile*>(m_fichier.get()))
        sauve->cancelWriting();
    m_fichier.reset();
}
