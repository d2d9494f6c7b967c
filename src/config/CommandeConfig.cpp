#include "config/CommandeConfig.h"

#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"

#include <QTextStream>

int ExecuterCommandeConfig()
{
    DemarrerModule();

    QTextStream sortie(stdout);
    sortie.setEncoding(QStringConverter::Utf8);
    const auto ligne = [&](const char* cle, const QString& valeur) { sortie << cle << '=' << valeur << '\n'; };
    ligne("Nom", ConfigPrg.Nom);
    ligne("IPServeur", ConfigPrg.IPServeur);
    ligne("PortDonnee", ConfigPrg.PortDonnee);
    ligne("Alias", ConfigPrg.Alias);
    ligne("Centre", QString::number(ConfigPrg.Centre));
    ligne("ServeurChoisi", QString::number(ConfigPrg.ServeurChoisi));
    ligne("Racine", ConfigPrg.Racine);
    ligne("Temporaire", ConfigPrg.Temporaire);
    ligne("NiveauDebug", QString::number(ConfigPrg.NiveauDebug));
    ligne("Fichier", FichierConfigLu());
    sortie.flush();
    return 0;
}
