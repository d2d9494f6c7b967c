#include "db/Modeles.h"

#include <QFile>

QString TexteModele(const QString& nom)
{
    QFile fichier(QStringLiteral(":/modeles/") + nom + QStringLiteral(".sql"));
    if (!fichier.open(QIODevice::ReadOnly))
        return QString();
    // Stored with LF between lines so that the files keep their exact bytes under version control.
    QString texte = QString::fromUtf8(fichier.readAll());
    texte.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return texte;
}
