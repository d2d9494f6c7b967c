#include "db/CommandeScript.h"

#include "operator/OperatorInterface.h"
#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"
#include "config/Texte.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QFile>
#include <QTextStream>

namespace {

enum CodeSortie { Reussi = 0, FichierIlisible = 1, SansConnexion = 2, AvecErreurs = 3 };

int executer(const QString& fichier, OperatorInterface& operateur)
{
    // Read before connecting: an unreadable file costs no connection.
    QFile source(fichier);
    if (!source.open(QIODevice::ReadOnly)) {
        operateur.erreur(QStringLiteral("Le script « %1 » ne peut pas être lu : %2.\n"
                                        "Vérifiez le chemin du fichier et vos droits de lecture.")
                             .arg(fichier, source.errorString()));
        return FichierIlisible;
    }
    const QString texte = texte::decoderFichier(source.readAll());
    source.close();

    DemarrerModule();

    Session session;
    if (!OuvrirConnexionAuDemarrage(session, operateur))
        return SansConnexion;

    QTextStream sortie(stdout);
    sortie.setEncoding(QStringConverter::Utf8);

    ScriptRunner& runner = session.pFIBScripter1;
    runner.setScript(texte);
    int erreurs = 0;
    try {
        runner.RunFrom(1);
        erreurs = session.NbErreurs;
        if (session.trZelto.isActive())
            session.trZelto.commit();
    } catch (const DbError& e) {
        // Only a transaction that could not be ended gets here: its work is lost, say so.
        erreurs = session.NbErreurs + 1;
        operateur.erreur(QStringLiteral("La fin du script n'a pas pu être validée, ses dernières modifications "
                                        "sont perdues :\n%1")
                             .arg(e.texte()));
        try {
            if (session.trZelto.isActive())
                session.trZelto.rollback();
        } catch (const DbError&) {
        }
    }

    for (const QString& ligne : std::as_const(session.mTemp))
        sortie << ligne << '\n';
    sortie << runner.statementCount() << " statements, " << erreurs << " errors\n";
    sortie.flush();
    return erreurs > 0 ? AvecErreurs : Reussi;
}

} // namespace

int ExecuterCommandeScript(const QString& fichier, OperatorInterface& operateur)
{
    const int code = executer(fichier, operateur);
    // The session is gone: the engine may shut down (the embedded one crashes at exit otherwise).
    fb::Client::arreter();
    return code;
}
