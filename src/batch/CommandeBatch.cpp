#include "batch/CommandeBatch.h"

#include "operator/OperatorInterface.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/FichierLot.h"
#include "batch/Operations.h"
#include "batch/SignauxLot.h"
#include "batch/Traitement.h"
#include "annulation/ApercuChangements.h"
#include "config/ConfigPrg.h"
#include "config/FichierSortie.h"
#include "config/FichierConfig.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QDir>
#include <QScopeGuard>
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

// A signal seen between two steps, before the run could be asked to stop: nothing was changed.
int interrompuAvant(SignauxLot& signaux, OperatorInterface& operateur, int nombre)
{
    signaux.acquitter();
    operateur.statut(QStringLiteral("Traitement interrompu."));
    QTextStream(stdout) << Traitement::TexteInterruption(0, nombre) << '\n';
    return 128 + signaux.signalRecu();
}

int nombreOperations(const FichierLot& job)
{
    ValeursOptions v;
    for (auto it = job.cases.cbegin(); it != job.cases.cend(); ++it)
        v.setCoche(it.key(), *it);
    int n = 0;
    for (const Operation& op : Operations())
        n += op.cochee(v) ? 1 : 0;
    return n;
}

int executer(const QString& fichierLot, OperatorInterface& operateur, bool simuler, const QString& sauvegarde,
             const QString& fichierApercu, SignauxLot& signaux)
{
    FichierLot job;
    signaux.setTexteFin((Traitement::TexteInterruption(0, 0) + QLatin1Char('\n')).toUtf8());   // none known yet
    try {
        job = FichierLot::lire(fichierLot);
    } catch (const ErreurFichierLot& e) {
        operateur.erreur(e.message());
        return Arrete;
    }
    const int nombre = nombreOperations(job);
    signaux.setTexteFin((Traitement::TexteInterruption(0, nombre) + QLatin1Char('\n')).toUtf8());
    if (signaux.signalRecu())
        return interrompuAvant(signaux, operateur, nombre);

    // A preview that cannot be written costs no connection; nothing replaces it until it is whole.
    std::unique_ptr<FichierSortie> apercu;
    const QString cheminApercu = QDir::toNativeSeparators(fichierApercu);
    if (!fichierApercu.isEmpty()) {
        apercu = std::make_unique<FichierSortie>(fichierApercu);
        if (!apercu->ouvrir()) {
            operateur.erreur(QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2.\n%3")
                                 .arg(cheminApercu, apercu->cause(), apercu->conseil()));
            return Arrete;
        }
    }

    DemarrerModule();
    Session session;
    ControleurOptions options(session, operateur);
    ControleurSelection selection(session, options, operateur);
    const bool connecte = OuvrirConnexionAuDemarrage(session, operateur);
    if (signaux.signalRecu())
        return interrompuAvant(signaux, operateur, nombre);
    if (!connecte)
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
    if (signaux.signalRecu())
        return interrompuAvant(signaux, operateur, nombre);

    Traitement traitement(session, options, selection, operateur);
    traitement.setApercuSimulation(apercu != nullptr);
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
    Traitement::Resultat r;
    {
        // A signal that came since the last step stops the run before its first statement.
        signaux.confier([&traitement] { traitement.interrompre(); });
        const auto rendre = qScopeGuard([&signaux] { signaux.confier({}); });
        r = simuler ? traitement.simuler() : traitement.btnTraiterClick();
    }
    const int signal = signaux.signalRecu();

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
    if (!r.journalAnnulation.isEmpty())
        sortie << "Journal d'annulation : " << r.journalAnnulation << '\n';
    if (apercu && r.apercu) {
        QString cause;
        if (!r.apercu->exporter(*apercu, cause)) {
            sortie.flush();
            operateur.erreur(QStringLiteral("L'aperçu des changements n'a pas pu être écrit dans « %1 » : %2.\n"
                                            "Vérifiez la place libre et les droits sur ce dossier, puis relancez la "
                                            "simulation.")
                                 .arg(cheminApercu, cause));
            return ErreurInattendue;
        }
        sortie << QStringLiteral("Aperçu des changements : %1 ligne(s) dans %2").arg(r.apercu->nombreLignes()).arg(cheminApercu)
               << '\n';
        sortie << r.apercu->texteComptes() << '\n';
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

int ExecuterCommandeBatch(const QString& fichierLot, OperatorInterface& operateur, bool simuler, const QString& sauvegarde,
                          const QString& apercu)
{
    SignauxLot signaux;   // before anything: the reading and the connection are part of the run
    const int code = executer(fichierLot, operateur, simuler, sauvegarde, apercu, signaux);
    signaux.acquitter();   // the command has ended by itself, whatever comes now
    // The session is gone: the engine may shut down.
    fb::Client::arreter();
    return code;
}
