#include "config/FichierConfig.h"

#include "config/ConfigPrg.h"
#include "config/Environnement.h"
#include "config/ErreurConfig.h"
#include "config/Etablissements.h"
#include "config/FichierIni.h"
#include "config/Fichiers.h"
#include "config/Journal.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

const QString kNomFichier = QStringLiteral("zeltoQ58.conf");
const QString kSectionConfiguration = QStringLiteral("Configuration");

QString g_fichierLu;

QDate dateDepuisJours(double jours)
{
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(jours));
}

double joursDepuisDate(const QDate& date)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

bool centreValide(qint64 centre)
{
    return centre >= 1000 && centre <= 9999;
}

qint32 regleCentre(qint32 centre)
{
    return centre == -1 || centreValide(centre) ? centre : -1;
}

QString sectionServeur(int n)
{
    return QStringLiteral("Serveur%1").arg(n);
}

bool existe(const QString& chemin)
{
    return QFileInfo::exists(chemin);
}

TEnr_ConfigServeur lireEntree(const FichierIni& ini, const QString& section)
{
    TEnr_ConfigServeur e;
    e.Racine = AvecSeparateurFinal(VersSeparateurs(ini.lireTexte(section, QStringLiteral("Racine"), ConfigPrg.Racine)));
    e.IPServeur = ini.lireTexte(section, QStringLiteral("IPServeur"), QLatin1String(kIPServeurParDefaut));
    e.PortDonnee = ini.lireTexte(section, QStringLiteral("PortDonnee"), QLatin1String(kPortDonneeParDefaut));
    e.Centre = regleCentre(ini.lireEntier(section, QStringLiteral("Centre"), -1));
    e.Dernier = ini.lireTexte(section, QStringLiteral("Dernier"), QString());
    e.Temporaire = ini.lireTexte(section, QStringLiteral("Temporaire"), ConfigPrg.Temporaire);
    e.Alias = ini.lireTexte(section, QStringLiteral("Alias"), ConfigPrg.Alias);
    if (e.Alias.isEmpty())
        e.Alias = QLatin1String(kAliasParDefaut);
    e.MotDePasse = ini.lireTexte(section, QStringLiteral("MotDePasse"), ConfigPrg.MotDePasse);
    e.Nom = ini.lireTexte(section, QStringLiteral("Nom"), ConfigPrg.Nom);
    e.Semaphore = ini.lireTexte(section, QStringLiteral("Semaphore"), ConfigPrg.Semaphore);
    e.Token = ini.lireTexte(section, QStringLiteral("Token"), ConfigPrg.Token);
    e.NiveauDebug = ini.lireEntier(section, QStringLiteral("NiveauDebug"), 0);
    if (e.NiveauDebug > 0) {
        const QDate aujourdhui = QDate::currentDate();
        const QDate expiration = ini.lireDate(section, QStringLiteral("DebugExpiration"), aujourdhui.addDays(10));
        e.DebugExpiration = joursDepuisDate(expiration);
        if (aujourdhui > expiration)
            e.NiveauDebug = 0;
    }
    e.Temporaire = NormaliserDossierTemp(e.Temporaire);
    return e;
}

void selectionner(const TEnr_ConfigServeur& e, int n)
{
    ConfigPrg.Nom = e.Nom;
    ConfigPrg.Token = e.Token;
    ConfigPrg.Racine = e.Racine;
    ConfigPrg.IPServeur = e.IPServeur;
    ConfigPrg.PortDonnee = e.PortDonnee;
    ConfigPrg.Centre = e.Centre;
    ConfigPrg.Dernier = e.Dernier;
    ConfigPrg.Temporaire = e.Temporaire;
    ConfigPrg.Alias = e.Alias;
    ConfigPrg.MotDePasse = e.MotDePasse;
    ConfigPrg.ServeurChoisi = n;
    ConfigPrg.Semaphore = e.Semaphore;
    ConfigPrg.NiveauDebug = e.NiveauDebug;
    if (ConfigPrg.Racine.contains(QLatin1String("..")))
        ConfigPrg.Racine = AvecSeparateurFinal(CheminComplet(ConfigPrg.Racine));
    if (ConfigPrg.Alias.contains(QLatin1String("..")))
        ConfigPrg.Alias = CheminComplet(ConfigPrg.Alias);
}

// The reading once the defaults are set: the per-user copy moved into place, the file created
// or imported when missing, then its values; inside the caller's trap.
void lireApresDepart()
{
    // Per-user copy: moved into place when the target is free. It is discarded only once a
    // configuration file stands in place; a move refused for another reason (no "Program"
    // folder yet) keeps it for the next start instead of throwing the configuration away.
    const QString copie = ConfigPrg.DossierProfil + kNomFichier;
    if (existe(copie)) {
        const QString cible = CheminFichierConfig(ConfigPrg.Racine);
        if (!existe(cible))
            QFile::rename(copie, cible);
        if (existe(cible))
            SupprimerFichier(copie);
    }

    if (!existe(CheminFichierConfig(ConfigPrg.Racine))) {
        if (existe(DossierExecutable() + QStringLiteral("zelto.conf")))
            ImporterAncienneConfig();
        CreerFichierConfig();
    }

    g_fichierLu = QFileInfo(CheminFichierConfig(ConfigPrg.Racine)).absoluteFilePath();
    {
        const FichierIni ini(g_fichierLu);
        const int sel = ini.lireEntier(kSectionConfiguration, QStringLiteral("Serveur"), -1);
        for (int n = 0; ini.sectionPresente(sectionServeur(n)); ++n) {
            ConfigServeurs.resize(n);
            ConfigServeurs.append(lireEntree(ini, sectionServeur(n)));
            if ((sel == -1 && n == 0) || n == sel)
                selectionner(ConfigServeurs.constLast(), n);
        }
    }

    ConfigPrg.IPServeur = AppliquerRegleNomMachine(ConfigPrg.IPServeur);
    EcrireLog(QStringLiteral("LireFichierConfig (Dbg=%1)").arg(ConfigPrg.NiveauDebug), 10);
}

} // namespace

QString RacineDepuisDossier(const QString& dossierExecutable)
{
    QString racine = AvecSeparateurFinal(dossierExecutable);
    const qsizetype i = racine.indexOf(QLatin1String("program/"), 0, Qt::CaseInsensitive);
    if (i >= 0)
        racine.remove(i, 8);
    return racine;
}

QString CheminFichierConfig(const QString& racine)
{
    const QString base = AvecSeparateurFinal(racine);
    QString program = QStringLiteral("Program");
    if (!QFileInfo(base + program).isDir()) {
        const QStringList dossiers = QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& nom : dossiers) {
            if (nom.compare(QLatin1String("program"), Qt::CaseInsensitive) == 0) {
                program = nom;
                break;
            }
        }
    }
    return base + program + QLatin1Char('/') + kNomFichier;
}

QString FichierConfigLu()
{
    return g_fichierLu.isEmpty() ? QFileInfo(CheminFichierConfig(ConfigPrg.Racine)).absoluteFilePath() : g_fichierLu;
}

QString AppliquerRegleNomMachine(const QString& ipServeur)
{
    // An empty host name matches nothing: an empty address stands for the embedded engine.
    const QString nomMachine = QSysInfo::machineHostName();
    if (!nomMachine.isEmpty() && ipServeur.toUpper() == nomMachine.toUpper())
        return QStringLiteral("127.0.0.1");
    return ipServeur;
}

void DemarrerModule()
{
    NumeroModule = 9;
    LireFichierConfig();
}

void LireFichierConfig()
{
    ConfigServeurs.clear();
    g_fichierLu.clear();

    const QString appData = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ConfigPrg.DossierProfil = appData + QStringLiteral("/Zelto System/");
    QDir().mkpath(ConfigPrg.DossierProfil);

    ConfigPrg.Temporaire = NormaliserDossierTemp(ConfigPrg.Temporaire);

    ConfigPrg.Alias = QLatin1String(kAliasParDefaut);
    ConfigPrg.MotDePasse = QString::fromLatin1(kMotDePasseParDefaut);
    ConfigPrg.Racine = RacineDepuisDossier(DossierExecutable());
    ConfigPrg.IPServeur = QLatin1String(kIPServeurParDefaut);
    ConfigPrg.PortDonnee = QLatin1String(kPortDonneeParDefaut);
    ConfigPrg.ServeurChoisi = -1;
    ConfigPrg.Nom = QStringLiteral("LOCAL");
    ConfigPrg.Semaphore.clear();
    ConfigPrg.NiveauDebug = 0;

    if (NumeroModule == -1)
        return;
    try {
        lireApresDepart();
    } catch (const ErreurConfig& e) {
        EcrireLog(QStringLiteral("Impossible de créer le fichier de configuration: ") + e.message(), 0);
    } catch (const std::exception& e) {
        EcrireLog(QStringLiteral("Impossible de créer le fichier de configuration: ") + QString::fromUtf8(e.what()), 0);
    }
}

void CreerFichierConfig()
{
    if (ConfigPrg.ServeurChoisi == -1)
        ConfigPrg.ServeurChoisi = 0;
    const int sel = ConfigPrg.ServeurChoisi;
    const QString chemin = CheminFichierConfig(ConfigPrg.Racine);
    try {
        FichierIni ini(chemin);
        ini.ecrireEntier(kSectionConfiguration, QStringLiteral("Serveur"), sel);

        const QString section = sectionServeur(sel);
        ini.ecrireTexte(section, QStringLiteral("IPServeur"), ConfigPrg.IPServeur);
        ini.ecrireTexte(section, QStringLiteral("PortDonnee"), ConfigPrg.PortDonnee);
        ini.ecrireTexte(section, QStringLiteral("Temporaire"), ConfigPrg.Temporaire);
        ini.ecrireTexte(section, QStringLiteral("Racine"), ConfigPrg.Racine);
        ini.ecrireTexte(section, QStringLiteral("Dernier"), ConfigPrg.Dernier);
        if (ConfigPrg.Centre != -1)
            ini.ecrireTexte(section, QStringLiteral("Centre"),
                            centreValide(ConfigPrg.Centre) ? QString::number(ConfigPrg.Centre) : QStringLiteral("-1"));
        ini.ecrireTexte(section, QStringLiteral("Alias"), ConfigPrg.Alias.isEmpty() ? QLatin1String(kAliasParDefaut) : ConfigPrg.Alias);
        if (ConfigPrg.MotDePasse != QLatin1String(kMotDePasseParDefaut))
            ini.ecrireTexte(section, QStringLiteral("MotDePasse"), ConfigPrg.MotDePasse);
        ini.ecrireTexte(section, QStringLiteral("Nom"), ConfigPrg.Nom);
        ini.ecrireTexte(section, QStringLiteral("Token"), ConfigPrg.Token);
        ini.ecrireEntier(section, QStringLiteral("NiveauDebug"), ConfigPrg.NiveauDebug);
        if (sel >= 0 && sel < ConfigServeurs.size()) {
            const QDate expiration = dateDepuisJours(ConfigServeurs.at(sel).DebugExpiration);
            if (expiration >= QDate::currentDate())
                ini.ecrireDate(section, QStringLiteral("DebugExpiration"), expiration);
        }

        for (int n = 0; n < ConfigServeurs.size(); ++n) {
            if (n == sel)
                continue;
            const TEnr_ConfigServeur& e = ConfigServeurs.at(n);
            const QString s = sectionServeur(n);
            ini.ecrireTexte(s, QStringLiteral("IPServeur"), e.IPServeur);
            ini.ecrireTexte(s, QStringLiteral("PortDonnee"), e.PortDonnee);
            ini.ecrireTexte(s, QStringLiteral("Temporaire"), e.Temporaire);
            ini.ecrireTexte(s, QStringLiteral("Racine"), e.Racine);
            ini.ecrireTexte(s, QStringLiteral("Dernier"), e.Dernier);
            ini.ecrireTexte(s, QStringLiteral("Centre"), QString::number(e.Centre));
            ini.ecrireTexte(s, QStringLiteral("Alias"), e.Alias);
            ini.ecrireTexte(s, QStringLiteral("MotDePasse"), e.MotDePasse);
            ini.ecrireTexte(s, QStringLiteral("Nom"), e.Nom);
            ini.ecrireTexte(s, QStringLiteral("Token"), e.Token);
        }
    } catch (const ErreurConfig& e) {
        EcrireLog(QStringLiteral("Création du fichier de configuration (%1): %2")
                      .arg(QFileInfo(chemin).absoluteFilePath(), e.message()),
                  0);
    } catch (const std::exception& e) {
        EcrireLog(QStringLiteral("Création du fichier de configuration (%1): %2")
                      .arg(QFileInfo(chemin).absoluteFilePath(), QString::fromUtf8(e.what())),
                  0);
    }
}

void ImporterAncienneConfig()
{
    {
        const FichierIni ini(DossierExecutable() + QStringLiteral("zelto.conf"));
        const QString& s = kSectionConfiguration;
        // The legacy root may lack its final separator; it is joined with "Program/" later.
        ConfigPrg.Racine = AvecSeparateurFinal(VersSeparateurs(ini.lireTexte(s, QStringLiteral("Racine"), ConfigPrg.Racine)));
        ConfigPrg.IPServeur = ini.lireTexte(s, QStringLiteral("IPServeur"), QLatin1String(kIPServeurParDefaut));
        ConfigPrg.PortDonnee = ini.lireTexte(s, QStringLiteral("PortDonnee"), QLatin1String(kPortDonneeParDefaut));
        ConfigPrg.Centre = regleCentre(ini.lireEntier(s, QStringLiteral("Centre"), -1));
        ConfigPrg.Dernier = ini.lireTexte(s, QStringLiteral("Dernier"), QString());
        ConfigPrg.Temporaire = NormaliserDossierTemp(ini.lireTexte(s, QStringLiteral("Temporaire"), ConfigPrg.Temporaire));
    }
    ConfigPrg.IPServeur = AppliquerRegleNomMachine(ConfigPrg.IPServeur);
    if (existe(ConfigPrg.DossierProfil + QStringLiteral("ZELTO_ETS.XML")))
        LireFichierEtablissements();
}
