#include "config/Journal.h"

#include "config/ConfigPrg.h"
#include "config/Environnement.h"

#include <QDir>
#include <QFile>

QMutex VerrouLog;
QString ContexteLog;

namespace {

std::function<QDateTime()>& horlogeJournal()
{
    static std::function<QDateTime()> horloge;
    return horloge;
}

QDateTime maintenant()
{
    const auto& h = horlogeJournal();
    return h ? h() : QDateTime::currentDateTime();
}

// Steps "not set" of the rule: the first variable that gives 4 characters or more.
QString dossierTempDeBase()
{
    for (const char* variable : {"TEMP", "TMP", "TMPDIR"}) {
        const QString d = AvecSeparateurFinal(VersSeparateurs(qEnvironmentVariable(variable)));
        if (d.size() >= 4)
            return d;
    }
    return AvecSeparateurFinal(QDir::tempPath());
}

QString avecZeltoSystem(QString dossier)
{
    dossier = AvecSeparateurFinal(dossier);
    // Case-sensitive on purpose: "zeltosystem" is a different folder.
    if (!dossier.contains(QLatin1String("ZeltoSystem")))
        dossier += QLatin1String("ZeltoSystem/");
    return dossier;
}

} // namespace

QString NormaliserDossierTemp(const QString& dossier)
{
    QString d = VersSeparateurs(dossier);
    if (d.size() < 4)
        d = dossierTempDeBase();
    else if (d.contains(QLatin1String("..")))
        d = CheminComplet(d);
    d = avecZeltoSystem(d);
    if (!QDir().mkpath(d)) {
        d = avecZeltoSystem(dossierTempDeBase());
        QDir().mkpath(d);
    }
    return d;
}

QString EtiquetteNiveau(qint32 niveau)
{
    switch (niveau) {
    case 10:
        return QStringLiteral(" [ALER] ");
    case 20:
        return QStringLiteral(" [INFO] ");
    default:
        return QStringLiteral(" [ERR.] ");
    }
}

QString LibelleModule(qint32 numero)
{
    return numero == 9 ? QStringLiteral("Outils") : QString::number(numero);
}

QString NomFichierLog(const QDate& date, const QString& suffixe)
{
    QString nom = QStringLiteral("Log - ") + date.toString(QStringLiteral("yyMMdd")) + QStringLiteral(" - ")
                  + QStringLiteral(" - ") + LibelleModule(NumeroModule);
    if (!suffixe.isEmpty())
        nom += QLatin1Char('_') + suffixe;
    return nom + QStringLiteral(".txt");
}

QString LigneLog(const QTime& heure, qint32 niveau, const QString& message)
{
    QString ligne = heure.toString(QStringLiteral("hh:mm:ss:zzz")) + QStringLiteral(" (") + ContexteLog
                    + QLatin1Char(')') + EtiquetteNiveau(niveau);
    if (!message.isEmpty())
        ligne += QStringLiteral(">> ") + message;
    return ligne + QStringLiteral("\r\n");
}

void EcrireLog(const QString& message, qint32 niveau, const QString& suffixe)
{
    if (NumeroModule == -1 || niveau > ConfigPrg.NiveauDebug)
        return;
    const QMutexLocker verrou(&VerrouLog);
    try {
        ConfigPrg.Temporaire = NormaliserDossierTemp(ConfigPrg.Temporaire);
        if (ConfigPrg.Temporaire.isEmpty())
            return;
        // One reading of the clock names the file and stamps the line, so a line written
        // at midnight lands in the file of its own date.
        const QDateTime instant = maintenant();
        QFile fichier(ConfigPrg.Temporaire + NomFichierLog(instant.date(), suffixe));
        if (!fichier.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        fichier.write(LigneLog(instant.time(), niveau, message).toUtf8());
    } catch (...) {
        // The log never fails towards its caller.
    }
}

void DefinirHorlogeJournal(std::function<QDateTime()> horloge)
{
    const QMutexLocker verrou(&VerrouLog);
    horlogeJournal() = std::move(horloge);
}
