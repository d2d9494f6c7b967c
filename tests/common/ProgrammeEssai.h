#pragma once
// The built program run as a user would run it: a configuration root of its own in a
// temporary folder (embedded access to the database it names), home, data and temporary
// folders redirected there too, its two output streams and exit code captured.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

class ProgrammeEssai
{
public:
    struct Resultat
    {
        int code = -1;
        QString sortie;
        QString erreurs;
        QStringList lignes() const { return sortie.split(u'\n', Qt::SkipEmptyParts); }
    };

    QTemporaryDir dossier;

    QString d(const QString& relatif) const { return dossier.filePath(relatif); }

    static void ecrire(const QString& chemin, const QByteArray& octets)
    {
        QDir().mkpath(QFileInfo(chemin).absolutePath());
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size())
            qFatal("cannot write %s", qPrintable(chemin));
    }

    // Configuration root d("racine/Program") with one server entry: embedded access to `alias`,
    // or through the server at `adresse`:`port`.
    void configurer(const QString& alias, const QString& adresse = QString(), int port = 3050) const
    {
        const QString conf = QStringLiteral("[Configuration]\nServeur=0\n\n[Serveur0]\nIPServeur=%4\nPortDonnee=%5\n"
                                            "Temporaire=%1/\nRacine=%2/\nDernier=\nCentre=1001\nAlias=%3\nNom=TEST\n"
                                            "Token=\nNiveauDebug=0\n")
                                 .arg(d(QStringLiteral("temp")), d(QStringLiteral("racine")), alias, adresse)
                                 .arg(port);
        ecrire(d(QStringLiteral("racine/Program/zeltoQ58.conf")), conf.toUtf8());
    }

    // Starts "module-special --racine ROOT arguments…" in `p`, without waiting.
    void demarrer(QProcess& p, const QStringList& arguments) const
    {
        QDir().mkpath(d(QStringLiteral("temp")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), d(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), d(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), d(QStringLiteral("home/.local/share")));
        env.insert(QStringLiteral("TEMP"), d(QStringLiteral("temp")));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("MSP_BINARY_DIR") + QStringLiteral("/module-special"),
                QStringList{QStringLiteral("--racine"), d(QStringLiteral("racine/Program"))} + arguments);
    }

    // Runs it to its end; a program that does not finish in time fails the test run instead
    // of hanging it.
    Resultat lancer(const QStringList& arguments, int delaiMs = 90000) const
    {
        QProcess p;
        demarrer(p, arguments);
        if (!p.waitForFinished(delaiMs)) {
            p.kill();
            p.waitForFinished();
            qFatal("module-special did not finish");
        }
        Resultat r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.sortie = QString::fromUtf8(p.readAllStandardOutput());
        r.erreurs = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
};
