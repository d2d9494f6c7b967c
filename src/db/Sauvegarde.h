#pragma once
// Backing the configured database up into a file, through the services manager of its server
// (the embedded engine's when IPServeur is empty): the one undo an operator has before a run.
// The window's "Sauvegarder", "--sauvegarde FICHIER" and the batch run all go through it.
#include "db/DbError.h"

#include <QDateTime>
#include <QString>
#include <functional>

class OperatorInterface;

// A backup refused before it started, or failed: texte() is the message for the operator
// (what happened and what to do, with the server's text when the server gave one).
class ErreurSauvegarde : public DbError
{
public:
    using DbError::DbError;
};

class SauvegardeBase
{
public:
    using Ligne = std::function<void(const QString& ligne)>;
    using Attente = std::function<void()>;

    // The server and the database of the configuration in force (IPServeur, PortDonnee, Alias).
    SauvegardeBase();

    // True when the server runs on this machine (embedded access or a loopback address): its
    // backup files can then be checked before and removed after a failure.
    bool serveurLocal() const;

    // The database's folder and name with a time stamp and ".fbk":
    // "/data/CLUB.FDB" at 10/12/2026 14:05:09 → "/data/CLUB_20261210_140509.fbk".
    QString nomPropose(const QDateTime& moment = QDateTime::currentDateTime()) const;

    // Backs the database up into `fichier`, a path on the server's machine (made absolute when
    // the server is this machine). Each output line of the backup goes to `ligne`; `attente`
    // runs about once a second while the server says nothing. Neither may throw. Returns the
    // file's name as the server got it. An existing file is never replaced: on this machine it
    // is refused before anything starts, and a failed backup removes its partial file. Raises
    // ErreurSauvegarde.
    QString sauvegarder(const QString& fichier, const Ligne& ligne, const Attente& attente = {}) const;

    // "Sauvegarde terminée : FICHIER".
    static QString messageTermine(const QString& fichier);

private:
    QString m_hote;
    QString m_port;
    QString m_base;
};

// One backup as the window, "--sauvegarde" and a batch run do it: the progress lines go to
// `ligne` (and `attente` runs while the server is silent), the end is told to the operator:
// information "Sauvegarde terminée : FICHIER", or the error. False when the backup was refused
// or failed: a run must then stop before it changes anything (exit 4 on the command line).
bool SauvegarderEtInformer(const QString& fichier, OperatorInterface& operateur, const SauvegardeBase::Ligne& ligne,
                           const SauvegardeBase::Attente& attente = {});
