#pragma once
// The program-wide configuration: the record in force, the server entries read from the
// configuration file, and the module number that gates reading and logging.
#include <QList>
#include <QString>
#include <QtGlobal>

// Built-in enciphered password text, the default of "MotDePasse".
inline constexpr const char* kMotDePasseParDefaut = "tR4kWz0pLm9QxV2sYb7NcA==";
// Starting values of the record, also the defaults of every file that fills an entry.
inline constexpr const char* kAliasParDefaut = "Q58_GESTION";
inline constexpr const char* kIPServeurParDefaut = "127.0.0.1";
inline constexpr const char* kPortDonneeParDefaut = "3050";

struct TConfigPrg
{
    QString Nom;
    QString DossierProfil;   // per-user folder, ends with "/"
    QString IPServeur;
    QString PortDonnee;
    QString Racine;          // installation root, ends with "/"
    QString Temporaire;      // normalised temporary and log folder, ends with "ZeltoSystem/"
    qint64 Centre = 0;       // -1: not configured, ask the database
    QString Dernier;
    QString Alias;
    QString MotDePasse;
    qint32 ServeurChoisi = 0;
    QString Token;
    QString Semaphore;
    qint32 NiveauDebug = 0;

    // Colours set by the main window, stored as 0x00BBGGRR.
    quint32 CouleurEntete = 0;
    quint32 CouleurTexteEntete = 0;
    quint32 CouleurFond = 0;
};

struct TEnr_ConfigServeur
{
    QString Nom;
    QString Token;
    QString Racine;
    QString IPServeur;
    QString PortDonnee;
    qint32 Centre = 0;
    QString Dernier;
    QString Temporaire;
    QString Alias;
    QString MotDePasse;
    QString Semaphore;
    qint32 NiveauDebug = 0;
    double DebugExpiration = 0;   // days since 30 December 1899; only the date part counts
};

extern TConfigPrg ConfigPrg;
extern QList<TEnr_ConfigServeur> ConfigServeurs;
extern qint32 NumeroModule;   // -1 at process start; 9 once the main window exists

// Back to the state of a process that has just started (tests use it between cases).
void ReinitialiserConfigPrg();
