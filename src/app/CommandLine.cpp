#include "app/CommandLine.h"

#include "app/ConsoleOperator.h"
#include "batch/CommandeBatch.h"
#include "config/CommandeConfig.h"
#include "db/Client.h"
#include "db/CommandeSauvegarde.h"
#include "db/CommandeScript.h"
#include "overlap/CommandeDoublons.h"

#include <cstdio>

OptionsLigneCommande AnalyserLigneCommande(const QStringList& args)
{
    OptionsLigneCommande o;
    auto valeur = [&](int& i, const QString& nom) -> QString {
        if (i + 1 >= args.size()) {
            o.erreur = QStringLiteral("l'option %1 attend une valeur").arg(nom);
            return {};
        }
        return args.at(++i);
    };
    for (int i = 0; i < args.size() && o.erreur.isEmpty(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--racine")) o.racine = valeur(i, a);
        else if (a == QLatin1String("--config")) o.config = true;
        else if (a == QLatin1String("--script")) o.script = valeur(i, a);
        else if (a == QLatin1String("--batch")) o.batch = valeur(i, a);
        else if (a == QLatin1String("--doublons")) o.doublons = valeur(i, a);
        else if (a == QLatin1String("--sauvegarde")) {
            o.sauvegarde = valeur(i, a);
            if (o.erreur.isEmpty() && o.sauvegarde.trimmed().isEmpty())
                o.erreur = QStringLiteral("l'option --sauvegarde attend un nom de fichier");
        }
        else if (a == QLatin1String("--version")) o.version = true;
        else if (a == QLatin1String("--yes")) o.oui = true;
        else if (a == QLatin1String("--simuler")) o.simuler = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h")) o.aide = true;
        else o.erreur = QStringLiteral("option inconnue : %1").arg(a);
    }
    // A simulation changes nothing, so a backup before it would only mislead.
    if (o.erreur.isEmpty() && o.simuler && !o.sauvegarde.isEmpty())
        o.erreur = QStringLiteral("--simuler et --sauvegarde s'excluent");
    if (o.erreur.isEmpty() && o.simuler && o.batch.isEmpty())
        o.erreur = QStringLiteral("--simuler ne s'emploie qu'avec --batch JOB");
    // With --batch, --sauvegarde is a step of the run; alone, it is a mode of its own.
    const bool sauvegardeSeule = !o.sauvegarde.isEmpty() && o.batch.isEmpty();
    const int modes = int(o.config) + int(!o.script.isEmpty()) + int(!o.batch.isEmpty()) + int(!o.doublons.isEmpty())
                      + int(sauvegardeSeule);
    if (o.erreur.isEmpty() && modes > 1)
        o.erreur = QStringLiteral("--config, --script, --batch, --doublons et --sauvegarde s'excluent");
    return o;
}

QString UsageLigneCommande()
{
    return QStringLiteral(
        "Usage : module-special [--racine DIR] [--config | --script FICHIER | --batch JOB [--yes] [--simuler | "
        "--sauvegarde FICHIER] | --doublons FICHIER | --sauvegarde FICHIER | --version | --help]\n"
        "  sans option       ouvre la fenêtre\n"
        "  --racine DIR      se comporte comme si l'exécutable était dans DIR\n"
        "  --config          affiche la configuration en vigueur (clé=valeur)\n"
        "  --script F        exécute le script SQL F sur la base configurée\n"
        "  --batch JOB       traitement par lot sans fenêtre, d'après le fichier JOB\n"
        "  --yes             avec --batch : répond oui à la question avant le traitement\n"
        "  --simuler         avec --batch : le même traitement, entièrement annulé à la fin\n"
        "  --sauvegarde F    sauvegarde la base dans le fichier F (avec --batch : avant le traitement)\n"
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
        return ExecuterCommandeBatch(options.batch, operateur, options.simuler, options.sauvegarde);
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
