#include "batch/CommandeBatch.h"

#include "operator/OperatorInterface.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/FichierLot.h"
#include "batch/SignauxLot.h"
#include "batch/Traitement.h"
#include "config/ConfigPrg.h"
#include "config/FichierConfig.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QTextStream>
#include <csignal>
#include <cstdio>

namespace {

enum CodeSortie { Reussi = 0, Arrete = 1, SansConnexion = 2, AvecErreurs = 3, SauvegardeEchouee = 4, ErreurInattendue = 5 };

QString lignesLf(QString texte)
{
    texte.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return texte;
}

int executer(const QString& fichierLot, OperatorInterface& operateur, bool simuler, const QString& sauvegarde)
{
    FichierLot job;
    try {
        job = FichierLot::lire(fichierLot);
    } catch (const ErreurFichierLot& e) {
        operateur.erreur(e.message());
        return Arrete;
    }

    DemarrerModule();
    Session session;
    ControleurOptions options(session, operateur);
    ControleurSelection selection(session, options, operateur);
    if (!OuvrirConnexionAuDemarrage(session, operateur))
        return SansConnexion;

    try {
        // The job's own source choice is the one the run counts with: no start state before it.
        job.appliquer(selection, options);
    } catch (const ErreurFichierLot& e) {
        operateur.erreur(e.message());
        return Arrete;
    } catch (const DbError& e) {
        operateur.erreur(e.texte());
        return Arrete;
    }

    Traitement traitement(session, options, selection, operateur);
    if (!sauvegarde.isEmpty())
        traitement.setSauvegardeAvant(sauvegarde, [](const QString& ligne) {
            const QByteArray octets = ligne.toLocal8Bit();
            std::fprintf(stderr, "%s\n", octets.constData());
            std::fflush(stderr);
        });
    QTextStream sortie(stdout);
    sortie.setEncoding(QStringConverter::Utf8);
    if (simuler) {
        sortie << Traitement::kBanniereSimulation << '\n';
        sortie.flush();
    }
    int signal = 0;
    Traitement::Resultat r;
    {
        SignauxLot signaux([&traitement] { traitement.interrompre(); });
        r = simuler ? traitement.simuler() : traitement.btnTraiterClick();
        signal = signaux.signalRecu();
    }

    for (const QString& nom : r.sqlDynamique)
        operateur.avertissement(QStringLiteral("Simulation : %1 exécute du SQL dynamique (EXECUTE STATEMENT) ; ce qu'il "
                                               "appelle ne peut pas être suivi.")
                                    .arg(nom));
    for (const QString& ligne : r.lignesErreur)
        sortie << ligne << '\n';
    if (r.issue == Traitement::Issue::Interrompu)
        sortie << r.interruption << '\n';
    if (r.issue == Traitement::Issue::Termine || r.issue == Traitement::Issue::Interrompu) {
        sortie << lignesLf(r.resume) << '\n';
        if (r.simulation)
            sortie << Traitement::kGenerateursSimulation << '\n';
        for (const QString& ligne : r.lignesComptes())
            sortie << ligne << '\n';
    }
    sortie.flush();

    switch (r.issue) {
    case Traitement::Issue::Termine: return r.NbErreurs > 0 ? AvecErreurs : Reussi;
    case Traitement::Issue::Arrete: return Arrete;
    case Traitement::Issue::ErreurInattendue: return ErreurInattendue;
    case Traitement::Issue::SauvegardeEchouee: return SauvegardeEchouee;
    case Traitement::Issue::Interrompu: return 128 + (signal ? signal : SIGINT);   // 130 or 143
    }
    return ErreurInattendue;
}

} // namespace

int ExecuterCommandeBatch(const QString& fichierLot, OperatorInterface& operateur, bool simuler, const QString& sauvegarde)
{
    const int code = executer(fichierLot, operateur, simuler, sauvegarde);
    // The session is gone: the engine may shut down.
    fb::Client::arreter();
    return code;
}
