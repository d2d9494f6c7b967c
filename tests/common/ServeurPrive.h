#pragma once
// A Firebird server of the test's own on 127.0.0.1:PORT (testdb/fbserver-prive.sh), for the
// tests that kill it: the shared loopback server of the other tests is never touched. SYSDBA
// gets the built-in password; the server is stopped when the object goes.
#include "db/Connexion.h"

#include <QFile>
#include <QProcess>
#include <csignal>

class ServeurPrive
{
public:
    ServeurPrive(const QString& dossier, int port) : m_dossier(dossier), m_port(port) {}
    ~ServeurPrive() { script({QStringLiteral("stop"), m_dossier}); }
    ServeurPrive(const ServeurPrive&) = delete;
    ServeurPrive& operator=(const ServeurPrive&) = delete;

    bool demarrer() { return script({QStringLiteral("start"), m_dossier, QString::number(m_port)}) == 0; }

    // SIGKILL, as a crash or an operator's kill -9 would end it: nothing is flushed or closed.
    bool tuer() const
    {
        QFile pid(m_dossier + QStringLiteral("/firebird.pid"));
        return pid.open(QIODevice::ReadOnly) && ::kill(pid.readAll().trimmed().toInt(), SIGKILL) == 0;
    }

    int port() const { return m_port; }

private:
    int script(const QStringList& arguments) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MSP_MOT_DE_PASSE"), MotDePasseIntegre(false));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral("bash"),
                QStringList{qEnvironmentVariable("MSP_SOURCE_DIR") + QStringLiteral("/testdb/fbserver-prive.sh")} + arguments);
        return p.waitForFinished(60000) ? p.exitCode() : -1;
    }

    QString m_dossier;
    int m_port;
};
