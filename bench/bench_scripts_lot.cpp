// Writes the scripts that a batch run would hand to the script runner, filled from a job file
// exactly as "--batch" fills them (same configuration, same connection, same option lists), so
// that isql-fb can run the very same statements for comparison.
//
//   bench_scripts_lot RACINE JOB OUTDIR
//
// RACINE is the folder given to --racine. One file per ticked operation, in run order:
// OUTDIR/1-mSQL6.sql, OUTDIR/2-mSQL1.sql … Exit 0, 1 when the job is refused or a file cannot
// be written, 2 without a connection.
#include "operator/OperatorInterface.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/FichierLot.h"
#include "batch/Operations.h"
#include "batch/Remplissage.h"
#include "config/Environnement.h"
#include "config/FichierConfig.h"
#include "config/ConfigPrg.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

class OperateurMuet : public OperatorInterface
{
public:
    void avertissement(const QString& t) override { std::fprintf(stderr, "%s\n", qPrintable(t)); }
    void erreur(const QString& t) override { std::fprintf(stderr, "%s\n", qPrintable(t)); }
    void information(const QString&) override {}
    bool question(const QString&) override { return true; }
    void messageErreur(const QString& t) override { std::fprintf(stderr, "%s\n", qPrintable(t)); }
    void messageAvertissement(const QString& t) override { std::fprintf(stderr, "%s\n", qPrintable(t)); }
    void statut(const QString&) override {}
};

int ecrire(const QString& racine, const QString& fichierLot, const QString& sortie)
{
    OperateurMuet operateur;
    FichierLot job;
    try {
        job = FichierLot::lire(fichierLot);
    } catch (const ErreurFichierLot& e) {
        operateur.erreur(e.message());
        return 1;
    }
    DefinirDossierExecutable(racine);
    NumeroModule = 9;
    LireFichierConfig();
    Session session;
    ControleurOptions options(session, operateur);
    ControleurSelection selection(session, options, operateur);
    if (!OuvrirConnexionAuDemarrage(session, operateur))
        return 2;
    try {
        selection.etatDemarrage();
        job.appliquer(selection, options);
    } catch (const ErreurFichierLot& e) {
        operateur.erreur(e.message());
        return 1;
    } catch (const DbError& e) {
        operateur.erreur(e.texte());
        return 1;
    }

    const ValeursOptions v = options.valeurs();
    const remplissage::Centres centres{session.centre, session.centreSelection()};
    QDir().mkpath(sortie);
    int rang = 0;
    for (const Operation& op : Operations()) {
        if (!op.cochee(v))
            continue;
        QFile f(QDir(sortie).filePath(QStringLiteral("%1-%2.sql").arg(++rang).arg(op.modele)));
        // The connection's character set: the scripts go to isql-fb as the tool sends them.
        const QByteArray octets = op.remplir(v, centres).toLatin1();
        if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size()) {
            operateur.erreur(f.fileName() + QStringLiteral(" : ") + f.errorString());
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 4) {
        std::fprintf(stderr, "usage: bench_scripts_lot RACINE JOB OUTDIR\n");
        return 64;
    }
    const int code = ecrire(a.at(1), a.at(2), a.at(3));
    fb::Client::arreter();
    return code;
}
