#include "app/CommandLine.h"

#include "app/ConsoleOperator.h"
#include "batch/CommandeAnnulation.h"
#include "batch/CommandeBatch.h"
#include "config/CommandeConfig.h"
#include "config/LectureBornee.h"
#include "db/Client.h"
#include "db/CommandeSauvegarde.h"
#include "db/CommandeScript.h"
#include "overlap/CommandeDoublons.h"

#include <cstdio>

OptionsLigneCommande AnalyserLigneCommande(const QStringList& args)
{
    OptionsLigneCommande o;
    // The first fault found is the one told.
    const auto refuser = [&](const QString& message) {
        if (o.erreur.isEmpty())
            o.erreur = message;
    };
    QStringList donnees;   // the options given, in order, each once
    QStringList modes;     // those that choose what the program does
    const auto valeur = [&](int& i, const QString& nom) -> QString {
        if (i + 1 >= args.size()) {
            refuser(QStringLiteral("l'option %1 attend une valeur").arg(nom));
            return {};
        }
        const QString v = args.at(++i);
        // An empty name would fall back to the window; an option taken as a name hides a
        // forgotten value.
        if (v.trimmed().isEmpty())
            refuser(nom == QLatin1String("--racine") ? QStringLiteral("l'option --racine attend un dossier")
                                                     : QStringLiteral("l'option %1 attend un nom de fichier").arg(nom));
        else if (v.startsWith(QLatin1String("--")))
            refuser(QStringLiteral("l'option %1 attend une valeur, pas l'option %2 (écrivez ./%2 pour un fichier de ce nom)")
                        .arg(nom, entree::Extrait(v)));
        return v;
    };
    for (int i = 0; i < args.size() && o.erreur.isEmpty(); ++i) {
        const QString& a = args.at(i);
        const QString nom = a == QLatin1String("-h") ? QStringLiteral("--help") : a;
        if (donnees.contains(nom)) {
            refuser(QStringLiteral("l'option %1 est donnée deux fois").arg(a));
            break;
        }
        donnees << nom;
        if (nom == QLatin1String("--racine")) o.racine = valeur(i, nom);
        else if (nom == QLatin1String("--config")) o.config = true;
        else if (nom == QLatin1String("--script")) o.script = valeur(i, nom);
        else if (nom == QLatin1String("--batch")) o.batch = valeur(i, nom);
        else if (nom == QLatin1String("--doublons")) o.doublons = valeur(i, nom);
        else if (nom == QLatin1String("--sauvegarde")) o.sauvegarde = valeur(i, nom);
        else if (nom == QLatin1String("--annuler")) o.annuler = valeur(i, nom);
        else if (nom == QLatin1String("--version")) o.version = true;
        else if (nom == QLatin1String("--yes")) o.oui = true;
        else if (nom == QLatin1String("--simuler")) o.simuler = true;
        else if (nom == QLatin1String("--apercu")) o.apercu = valeur(i, nom);
        else if (nom == QLatin1String("--help")) o.aide = true;
        else refuser(QStringLiteral("option inconnue : %1").arg(entree::Extrait(a)));
        // With --batch, --sauvegarde is a step of the run; alone, it is a mode of its own.
        if (nom != QLatin1String("--racine") && nom != QLatin1String("--yes") && nom != QLatin1String("--simuler")
            && nom != QLatin1String("--apercu"))
            modes << nom;
    }
    if (!o.batch.isEmpty())
        modes.removeAll(QStringLiteral("--sauvegarde"));
    // A simulation changes nothing, so a backup before it would only mislead.
    if (o.simuler && !o.sauvegarde.isEmpty())
        refuser(QStringLiteral("--simuler et --sauvegarde s'excluent"));
    if (o.simuler && o.batch.isEmpty() && o.annuler.isEmpty())
        refuser(QStringLiteral("--simuler ne s'emploie qu'avec --batch JOB ou --annuler JOURNAL"));
    // Only a simulation's changes can be told before they are made.
    if (!o.apercu.isEmpty() && (o.batch.isEmpty() || !o.simuler))
        refuser(QStringLiteral("--apercu ne s'emploie qu'avec --batch JOB --simuler"));
    if (o.oui && o.batch.isEmpty())
        refuser(QStringLiteral("--yes ne s'emploie qu'avec --batch JOB"));
    if (modes.size() > 1)
        refuser(QStringLiteral("%1 et %2 s'excluent : n'en donnez qu'une").arg(modes.at(0), modes.at(1)));
    return o;
}

QString UsageLigneCommande()
{
    return QStringLiteral(
        "Usage : module-special [--racine DIR] [--config | --script FICHIER | --batch JOB [--yes] [--simuler [--apercu FICHIER] | "
        "--sauvegarde FICHIER] | --annuler JOURNAL [--simuler] | --doublons FICHIER | --sauvegarde FICHIER | --version | "
        "--help]\n"
        "  sans option       ouvre la fenêtre\n"
        "  --racine DIR      se comporte comme si l'exécutable était dans DIR\n"
        "  --config          affiche la configuration en vigueur (clé=valeur)\n"
        "  --script F        exécute le script SQL F sur la base configurée\n"
        "  --batch JOB       traitement par lot sans fenêtre, d'après le fichier JOB\n"
        "  --yes             avec --batch : répond oui à la question avant le traitement\n"
        "  --simuler         avec --batch ou --annuler : le même travail, entièrement annulé à la fin\n"
        "  --apercu F        avec --batch et --simuler : chaque changement de ligne dans le fichier CSV F\n"
        "  --sauvegarde F    sauvegarde la base dans le fichier F (avec --batch : avant le traitement)\n"
        "  --annuler J       défait le traitement dont J est le journal d'annulation\n"
        "  --doublons F      écrit les échéances qui se chevauchent dans le fichier CSV F\n"
        "  --version         affiche la version du programme\n"
        "  --help, -h        affiche cette aide\n");
}

QString VersionLigneCommande()
{
    return QStringLiteral("module-special ") + QLatin1String(MSP_VERSION);
}

int ExecuterSansFenetre(const OptionsLigneCommande& options)
{
    fb::FinClient finClient;   // the engine is shut down before the process exits
    if (options.config)
        return ExecuterCommandeConfig();
    if (!options.batch.isEmpty()) {
        ConsoleOperator operateur(ConsoleOperator::Mode::Lot, options.oui);
        return ExecuterCommandeBatch(options.batch, operateur, options.simuler, options.sauvegarde, options.apercu);
    }
    if (!options.annuler.isEmpty()) {
        ConsoleOperator operateur(ConsoleOperator::Mode::Lot, false);
        return ExecuterCommandeAnnulation(options.annuler, operateur, options.simuler);
    }
    ConsoleOperator operateur;
    if (!options.script.isEmpty())
        return ExecuterCommandeScript(options.script, operateur);
    if (!options.sauvegarde.isEmpty())
        return ExecuterCommandeSauvegarde(options.sauvegarde, operateur);
    if (!options.doublons.isEmpty())
        return ExecuterCommandeDoublons(options.doublons, operateur);
    std::fputs("Cette option n'est pas encore disponible dans cette version.\n", stderr);
    return 1;
}
