#pragma once
// Inputs read whole, with a ceiling that holds for pipes and devices too: their size is known
// only once read, so the ceiling is checked while reading, never against a size asked first.
// And the words that say what a path names when it is not a regular file.
#include <QByteArray>
#include <QString>

namespace entree {

struct Lecture
{
    enum Etat { Lu, Absent, Dossier, Illisible, TropGrand };
    Etat etat = Lu;
    QByteArray octets;   // only when Lu
    QString erreur;      // the system's text, when not Lu nor TropGrand
};

// Reads `chemin` to its end; one byte past `limite` ends the reading (TropGrand, nothing kept).
// A pipe or a device is read as it comes; a FIFO without writer waits for one, as cat does.
Lecture Lire(const QString& chemin, qint64 limite);

// "un dossier", "un périphérique", "un tube nommé (FIFO)", "une socket"; empty for a regular
// file, a missing name, or what cannot be looked at. Links are followed.
QString Nature(const QString& chemin);

// "1 Mo", "128 Mo" (1 Mo = 1,048,576 bytes), below that in bytes.
QString TexteTaille(qint64 octets);

// Text quoted from an input, cut to `longueur` characters with its full length said, so that a
// message stays readable whatever the input holds.
QString Extrait(const QString& texte, qsizetype longueur = 60);

} // namespace entree
