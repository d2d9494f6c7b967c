#include "db/CommandeScript.h"

#include "operator/OperatorInterface.h"
#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"
#include "config/LectureBornee.h"
#include "config/Texte.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QTextStream>

namespace {

enum CodeSortie { Reussi = 0, FichierIlisible = 1, SansConnexion = 2, AvecErreurs = 3 };

constexpr qint64 kTailleMaxScript = qint64(128) * 1024 * 1024;

int executer(const QString& fichier, OperatorInterface& operateur)
{
    // Read before connecting: an unreadable file costs no connection. The ceiling keeps
    // /dev/zero or an endless pipe from filling the memory; no real script comes near it.
    entree::Lecture lecture = entree::Lire(fichier, kTailleMaxScript);
    if (lecture.etat != entree::Lecture::Lu) {
        QString cause = lecture.erreur;
        QString conseil = QStringLiteral("Vérifiez le chemin du fichier et vos droits de lecture.");
        if (lecture.etat == entree::Lecture::Absent)
            cause = QStringLiteral("il n'existe pas");
        else if (lecture.etat == entree::Lecture::Dossier)
            cause = QStringLiteral("c'est un dossier");
        else if (lecture.etat == entree::Lecture::TropGrand) {
            cause = QStringLiteral("il dépasse %1, la plus grande taille de script admise")
                        .arg(entree::TexteTaille(kTailleMaxScript));
            conseil = QStringLiteral("Partagez-le en plusieurs scripts.");
        }
        operateur.erreur(QStringLiteral("Le script « %1 » ne peut pas être lu : %2.\n%3").arg(fichier, cause, conseil));
        return FichierIlisible;
    }
    const QString texte = texte::decoderFichier(lecture.octets);
    lecture.octets = QByteArray();

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
