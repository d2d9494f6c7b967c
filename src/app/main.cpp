#include "app/CommandLine.h"
#include "app/widgets/Lancement.h"
#include "config/Environnement.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const OptionsLigneCommande options = AnalyserLigneCommande(args);
    if (options.version && options.erreur.isEmpty()) {
        std::printf("%s\n", VersionLigneCommande().toLocal8Bit().constData());
        return 0;
    }
    if (options.aide || !options.erreur.isEmpty()) {
        if (!options.erreur.isEmpty())
            std::fprintf(stderr, "%s\n", options.erreur.toLocal8Bit().constData());
        std::fputs(UsageLigneCommande().toLocal8Bit().constData(), options.aide ? stdout : stderr);
        return options.aide ? 0 : 64;
    }
    if (!options.racine.isEmpty())
        DefinirDossierExecutable(options.racine);

    if (options.sansFenetre()) {
        QCoreApplication app(argc, argv);
        return ExecuterSansFenetre(options);
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display Qt aborts, leaving a core dump and an exit code of 134.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("Aucun affichage (ni DISPLAY ni WAYLAND_DISPLAY) : la fenêtre ne peut pas s'ouvrir.\n"
                   "Lancez le programme dans une session graphique ou sous xvfb-run, ou employez un mode sans "
                   "fenêtre (--help les liste).\n",
                   stderr);
        return 1;
    }
#endif
    QApplication app(argc, argv);
    return ExecuterFenetre(options);
}
