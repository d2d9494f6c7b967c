#pragma once
// A file the program writes whole (the overlap export, "--doublons"). A new name or a regular
// file is written aside and takes the name only once complete, so a failure leaves what was
// there. Nothing but a regular file is ever replaced: a character device or a FIFO
// (/dev/stdout, /dev/null, a pipe read by another program) is what its user means to write to
// and is written in place; a folder, a block device or a socket is refused, named for what it
// is. Links are followed: the rule applies to what the name designates.
#include <QString>
#include <memory>

class QFileDevice;

class FichierSortie
{
public:
    explicit FichierSortie(const QString& chemin);
    ~FichierSortie();   // without valider(), the copy aside goes and the target stays as it was
    FichierSortie(const FichierSortie&) = delete;
    FichierSortie& operator=(const FichierSortie&) = delete;

    // False with cause() and conseil() set.
    bool ouvrir();
    bool ecrire(const QByteArray& octets);
    // The copy aside takes the name; in place, what is buffered is written out.
    bool valider();
    void abandonner();

    const QString& chemin() const { return m_chemin; }
    // Written into the target itself: a failure cannot take back what was already written.
    bool enPlace() const { return m_enPlace; }
    // What went wrong, as a clause ("c'est un dossier", the system's text…), and what to do.
    const QString& cause() const { return m_cause; }
    const QString& conseil() const { return m_conseil; }

private:
    bool refuser(const QString& cause, const QString& conseil);
    void causeSysteme(bool ouverture);

    QString m_chemin;
    std::unique_ptr<QFileDevice> m_fichier;
    bool m_enPlace = false;
    QString m_cause;
    QString m_conseil;
};
