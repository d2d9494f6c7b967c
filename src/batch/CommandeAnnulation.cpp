#include "batch/CommandeAnnulation.h"

#include "annulation/Annulation.h"
#include "annulation/LectureJournal.h"
#include "batch/SignauxLot.h"
#include "config/FichierConfig.h"
#include "db/Client.h"
#include "db/Connexion.h"
#include "db/Session.h"
#include "operator/OperatorInterface.h"

#include <QScopeGuard>
#include <QTextStream>
#include <csignal>

namespace {

enum CodeSortie { Reussi = 0, Illisible = 1, SansConnexion = 2, ErreurInattendue = 5, Refusee = 6 };

int executer(const QString& journal, OperatorInterface& operateur, bool simuler, SignauxLot& signaux)
{
    const QString interrompue = QStringLiteral("Annulation interrompue : rien n'a été modifié.");
    signaux.setTexteFin((interrompue + QLatin1Char('\n')).toUtf8());
    const auto avantDebut = [&] {
        signaux.acquitter();
        operateur.erreur(interrompue);
        return 128 + signaux.signalRecu();
    };
    // A file that is no journal is refused before connecting.
    try {
        const LectureJournal lecture(journal);
    } catch (const ErreurLectureJournal& e) {
        operateur.erreur(e.texte());
        return Illisible;
    }
    if (signaux.signalRecu())
        return avantDebut();
    DemarrerModule();
    Session session;
    const bool connecte = OuvrirConnexionAuDemarrage(session, operateur);
    if (signaux.signalRecu())
        return avantDebut();
    if (!connecte)
        return SansConnexion;

    Annulation annulation(session.dbZelto);
    Annulation::Resultat r;
    {
        signaux.confier([&annulation] { annulation.interrompre(); });
        const auto rendre = qScopeGuard([&signaux] { signaux.confier({}); });
        r = annulation.annuler(journal, simuler);
    }
    QTextStream sortie(stdout);
    sortie.setEncoding(QStringConverter::Utf8);
    if (r.issue != Annulation::Issue::Illisible)
        for (const QString& l : r.lignesSortie())
            sortie << l << '\n';
    sortie.flush();
    if (r.issue != Annulation::Issue::Faite)
        operateur.erreur(r.texteEchec());
    switch (r.issue) {
    case Annulation::Issue::Faite: return Reussi;
    case Annulation::Issue::Refusee: return Refusee;
    case Annulation::Issue::Illisible: return Illisible;
    case Annulation::Issue::AutreBase: return SansConnexion;
    case Annulation::Issue::Erreur: return ErreurInattendue;
    case Annulation::Issue::Interrompue: {
        const int signal = signaux.signalRecu();
        return 128 + (signal ? signal : SIGINT);
    }
    }
    return ErreurInattendue;
}

} // namespace

int ExecuterCommandeAnnulation(const QString& journal, OperatorInterface& operateur, bool simuler)
{
    SignauxLot signaux;
    const int code = executer(journal, operateur, simuler, signaux);
    signaux.acquitter();
    fb::Client::arreter();
    return code;
}
