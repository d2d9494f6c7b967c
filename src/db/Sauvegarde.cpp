#include "db/Sauvegarde.h"

#include "operator/OperatorInterface.h"
#include "config/ConfigPrg.h"
#include "db/Connexion.h"
#include "db/Services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The last separator of a path written either way ("D:\Base\CLUB.FDB", "/data/club.fdb").
qsizetype dernierSeparateur(const QString& chemin)
{
    return std::max(chemin.lastIndexOf(QLatin1Char('/')), chemin.lastIndexOf(QLatin1Char('\\')));
}

// Two names of one file on the server, written by hand: separators and letter case aside.
bool memeChemin(QString a, QString b)
{
    a.replace(QLatin1Char('\\'), QLatin1Char('/'));
    b.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QString texteServeur(const DbError& e)
{
    QString t = e.texte();
    while (t.endsWith(QLatin1Char('\n')))
        t.chop(1);
    return t;
}

} // namespace

SauvegardeBase::SauvegardeBase()
    : m_hote(ConfigPrg.IPServeur.trimmed()), m_port(ConfigPrg.PortDonnee), m_base(ConfigPrg.Alias)
{
}

bool SauvegardeBase::serveurLocal() const
{
    return fb::ServiceManager::estCetteMachine(m_hote);
}

QString SauvegardeBase::nomPropose(const QDateTime& moment) const
{
    QString base = m_base.trimmed();
    if (serveurLocal() && !base.isEmpty())
        base = QFileInfo(base).absoluteFilePath();
    const qsizetype separateur = dernierSeparateur(base);
    const QString dossier = base.left(separateur + 1);
    QString nom = base.mid(separateur + 1);
    const qsizetype point = nom.lastIndexOf(QLatin1Char('.'));
    if (point > 0)
        nom.truncate(point);
    if (nom.isEmpty())
        nom = QStringLiteral("sauvegarde");
    return dossier + nom + moment.toString(QStringLiteral("_yyyyMMdd_HHmmss")) + QStringLiteral(".fbk");
}

QString SauvegardeBase::messageTermine(const QString& fichier)
{
    return QStringLiteral("Sauvegarde terminée : ") + fichier;
}

QString SauvegardeBase::sauvegarder(const QString& fichier, const Ligne& ligne, const Attente& attente) const
{
    if (fichier.trimmed().isEmpty())
        throw ErreurSauvegarde(QStringLiteral("Aucun fichier de sauvegarde n'a été indiqué : la sauvegarde n'a pas été "
                                              "faite.\nIndiquez le nom du fichier à créer."));
    const bool local = serveurLocal();
    // A relative name would land in the server's working folder, not in ours.
    const QString chemin = local ? QFileInfo(fichier).absoluteFilePath() : fichier.trimmed();
    if (local) {
        const QFileInfo info(chemin);
        // A dangling link too: the server would follow it and write wherever it points.
        if (info.exists() || info.isSymLink())
            throw ErreurSauvegarde(QStringLiteral("Le fichier « %1 » existe déjà : une sauvegarde ne remplace jamais un "
                                                  "fichier existant.\nChoisissez un autre nom de fichier.")
                                       .arg(chemin));
        const QString dossier = info.absolutePath();
        if (!QFileInfo(dossier).isDir())
            throw ErreurSauvegarde(QStringLiteral("Le dossier « %1 » n'existe pas : la sauvegarde n'a pas été faite.\n"
                                                  "Choisissez un dossier existant, ou créez-le d'abord.")
                                       .arg(QDir::toNativeSeparators(dossier)));
    } else if (memeChemin(chemin, m_base)) {
        // The server cannot be asked whether a file exists; this one certainly does.
        throw ErreurSauvegarde(QStringLiteral("Le fichier de sauvegarde « %1 » est la base de données elle-même.\n"
                                              "Choisissez un autre nom de fichier.")
                                   .arg(chemin));
    }

    try {
        fb::ServiceManager services;
        services.setLibraryName(BibliothequeClient());
        services.setServiceName(fb::ServiceManager::chaineServices(m_hote, m_port));
        services.setUser(QStringLiteral("SYSDBA"), MotDePasseIntegre(false));
        services.attach();
        services.startBackup(m_base, chemin);
        while (const std::optional<QString> texte = services.nextLine()) {
            if (!texte->isEmpty()) {
                if (ligne)
                    ligne(*texte);
            } else if (attente) {
                attente();
            }
        }
        services.detach();
    } catch (const DbError& e) {
        QString message = QStringLiteral("La sauvegarde de la base a échoué :\n%1\n").arg(texteServeur(e));
        // The file did not exist when the backup started: whatever stands there now is its
        // unfinished work.
        if (!local) {
            message += QStringLiteral("Le serveur a pu laisser un fichier incomplet « %1 » : ne l'utilisez pas pour "
                                      "une restauration.")
                           .arg(chemin);
        } else if (QFileInfo(chemin).exists() || QFileInfo(chemin).isSymLink()) {
            QFile partiel(chemin);
            if (partiel.remove())
                message += QStringLiteral("Le fichier incomplet « %1 » a été supprimé.").arg(chemin);
            else
                message += QStringLiteral("Le fichier incomplet « %1 » n'a pas pu être supprimé (%2) : supprimez-le, "
                                          "il ne peut pas servir à une restauration.")
                               .arg(chemin, partiel.errorString());
        } else {
            message += QStringLiteral("Aucun fichier « %1 » n'est resté.").arg(chemin);
        }
        message += QStringLiteral("\nVérifiez le nom du fichier, la place libre et les droits du serveur sur le dossier, "
                                  "puis recommencez.");
        throw ErreurSauvegarde(message, e.sqlCode(), e.sqlState());
    }

    // A service that ended without an error but left no file has not backed anything up.
    if (local && !QFileInfo(chemin).isFile())
        throw ErreurSauvegarde(QStringLiteral("La sauvegarde s'est terminée sans créer le fichier « %1 ».\n"
                                              "Vérifiez les droits du serveur sur le dossier, puis recommencez.")
                                   .arg(chemin));
    return chemin;
}

bool SauvegarderEtInformer(const QString& fichier, OperatorInterface& operateur, const SauvegardeBase::Ligne& ligne,
                           const SauvegardeBase::Attente& attente)
{
    QString fait;
    try {
        fait = SauvegardeBase().sauvegarder(fichier, ligne, attente);
    } catch (const ErreurSauvegarde& e) {
        operateur.erreur(e.texte());
        return false;
    }
    operateur.information(SauvegardeBase::messageTermine(fait));
    return true;
}
