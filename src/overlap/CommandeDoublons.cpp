#include "overlap/CommandeDoublons.h"

#include "operator/OperatorInterface.h"
#include "db/Modeles.h"
#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"
#include "config/FichierSortie.h"
#include "db/Connexion.h"
#include "db/Session.h"
#include "overlap/Echeances.h"

#include <QDir>
#include <QTextStream>

namespace {

enum CodeSortie { Reussi = 0, FichierImpossible = 1, SansConnexion = 2, AvecErreurs = 3 };

int executer(const QString& fichier, OperatorInterface& operateur)
{
    const QString chemin = QDir::toNativeSeparators(fichier);
    // Opened before connecting: a file that cannot be written costs no connection. Nothing
    // replaces FILE until every row is in.
    FichierSortie sortie(fichier);
    if (!sortie.ouvrir()) {
        operateur.erreur(QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.\n%3")
                             .arg(chemin, sortie.cause(), sortie.conseil()));
        return FichierImpossible;
    }

    DemarrerModule();
    Session session;
    if (!OuvrirConnexionAuDemarrage(session, operateur))
        return SansConnexion;

    ScriptRunner& runner = session.pFIBScripter1;
    runner.setScript(TexteModele(QStringLiteral("mSQL_PS1")));
    runner.RunFrom(1);
    const bool creationEchouee = session.NbErreurs > 0;
    if (creationEchouee) {
        QStringList lignes{QStringLiteral("La procédure ECHEANCES_DOUBLONS n'a pas pu être créée ; "
                                          "les lignes sont celles de la procédure déjà en base :")};
        lignes += session.mTemp;
        operateur.erreur(lignes.join(QLatin1Char('\n')));
    }

    const ResultatExport r = ExporterEcheances(session.dbZelto, session.trZelto, SqlEcheances(), sortie);
    try {
        if (session.trZelto.isActive())
            session.trZelto.commit();
    } catch (const DbError&) {
        // Only reads were left in it; the file is already complete.
    }
    // A device or a pipe written in place keeps what it was sent before the failure.
    const bool enPlace = sortie.enPlace();
    switch (r.etat) {
    case ResultatExport::FichierImpossible:
        operateur.erreur((enPlace ? QStringLiteral("L'écriture dans « %1 » s'est arrêtée sur une erreur : %2.")
                                  : QStringLiteral("Le fichier « %1 » n'a pas pu être écrit, il n'a pas été créé : %2."))
                             .arg(chemin, r.erreur));
        return FichierImpossible;
    case ResultatExport::LectureImpossible:
        operateur.erreur((enPlace ? QStringLiteral("Les échéances n'ont pas pu être lues jusqu'au bout, « %1 » peut en "
                                                   "avoir reçu une partie :\n%2")
                                  : QStringLiteral("Les échéances n'ont pas pu être lues, le fichier « %1 » n'a pas été "
                                                   "créé :\n%2"))
                             .arg(chemin, r.erreur));
        return AvecErreurs;
    case ResultatExport::Ecrit:
        break;
    }

    QTextStream sortieStandard(stdout);
    sortieStandard.setEncoding(QStringConverter::Utf8);
    sortieStandard << TexteLabel13(r.lignes) << '\n';
    sortieStandard.flush();
    return creationEchouee ? AvecErreurs : Reussi;
}

} // namespace

int ExecuterCommandeDoublons(const QString& fichier, OperatorInterface& operateur)
{
    const int code = executer(fichier, operateur);
    // The session is gone: the engine may shut down (the embedded one crashes at exit otherwise).
    fb::Client::arreter();
    return code;
}
