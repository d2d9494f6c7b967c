#include "db/CommandeSauvegarde.h"

#include "operator/OperatorInterface.h"
#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"
#include "db/Connexion.h"
#include "db/Client.h"
#include "db/Sauvegarde.h"
#include "db/Session.h"

#include <cstdio>

namespace {

enum CodeSortie { Reussi = 0, SansConnexion = 2, EchecSauvegarde = 4 };

void ligneErreur(const QString& texte)
{
    const QByteArray octets = texte.toLocal8Bit() + '\n';
    std::fwrite(octets.constData(), 1, size_t(octets.size()), stderr);
    std::fflush(stderr);
}

int executer(const QString& fichier, OperatorInterface& operateur)
{
    DemarrerModule();

    Session session;
    if (!OuvrirConnexionAuDemarrage(session, operateur))
        return SansConnexion;
    return SauvegarderEtInformer(fichier, operateur, ligneErreur) ? Reussi : EchecSauvegarde;
}

} // namespace

int ExecuterCommandeSauvegarde(const QString& fichier, OperatorInterface& operateur)
{
    const int code = executer(fichier, operateur);
    // The services manager and the session are gone: the engine may shut down (the embedded
    // one crashes at exit otherwise).
    fb::Client::arreter();
    return code;
}
