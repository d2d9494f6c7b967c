#include "batch/Modeles.h"

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

QStringList NomsModeles()
{
    return {QStringLiteral("mSQL6"), QStringLiteral("mSQL1"), QStringLiteral("mSQL2"), QStringLiteral("mSQL3"),
            QStringLiteral("mSQL4"), QStringLiteral("mSQL7"), QStringLiteral("mSQL_PS1")};
}
