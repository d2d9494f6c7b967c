#include "config/Environnement.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& dossierImpose()
{
    static QString dossier;
    return dossier;
}
} // namespace

void DefinirDossierExecutable(const QString& dossier)
{
    dossierImpose() = dossier;
}

QString DossierExecutable()
{
    return AvecSeparateurFinal(dossierImpose().isEmpty() ? QCoreApplication::applicationDirPath()
                                                         : QDir(dossierImpose()).absolutePath());
}

QString AvecSeparateurFinal(const QString& chemin)
{
    return chemin.endsWith(QLatin1Char('/')) ? chemin : chemin + QLatin1Char('/');
}

QString VersSeparateurs(const QString& chemin)
{
    QString c = chemin;
    c.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return c;
}

QString CheminComplet(const QString& chemin)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(chemin));
}
