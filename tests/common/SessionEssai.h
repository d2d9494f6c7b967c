#pragma once
// A session opened on a private copy of the club test database (tests run in parallel),
// as the connection leaves it: centre 1001, server name and address in the configuration.
#include "config/ConfigPrg.h"
#include "common/BaseTemporaire.h"
#include "db/Connexion.h"
#include "db/Session.h"

#include <QTest>

class SessionEssai
{
public:
    SessionEssai() : base(modele())
    {
        base.ouvrir(session.dbZelto);
        session.centre = 1001;
        ConfigPrg.IPServeur = QStringLiteral("10.0.0.7");
        ConfigPrg.Nom = QStringLiteral("Club Essai");
    }

    // The session's connection opened again through the server at adresse:port, with the
    // program's parameters and built-in password; the configuration names that server, so a run
    // or a page that attaches again goes there too.
    void parServeur(const QString& adresse, int port)
    {
        ConfigPrg.IPServeur = adresse;
        ConfigPrg.PortDonnee = QString::number(port);
        ConfigPrg.Alias = chemin;
        ConfigPrg.Centre = session.centre;
        session.dbZelto.close();
        session.dbZelto.setDatabaseName(ChaineConnexion());
        session.dbZelto.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=") + MotDePasseIntegre(false),
                                   QStringLiteral("lc_ctype=ISO8859_1")});
        session.dbZelto.open();
    }

    // Runs statements in a transaction of their own, committed.
    void executer(const QStringList& instructions)
    {
        fb::Transaction tr(session.dbZelto);
        tr.start();
        for (const QString& sql : instructions)
            tr.executeImmediate(sql);
        tr.commit();
    }

    // Column 0 of every row of `sql`, read in a transaction of its own.
    QList<QVariant> colonne(const QString& sql, int colonneLue = 0)
    {
        fb::Transaction tr(session.dbZelto);
        tr.start();
        fb::Query q(session.dbZelto, tr);
        q.setSql(sql);
        QList<QVariant> valeurs;
        for (q.execute(); !q.eof(); q.next())
            valeurs.append(q.value(colonneLue));
        q.close();
        tr.commit();
        return valeurs;
    }

    qint64 entier(const QString& sql) { return colonne(sql).value(0).toLongLong(); }

    // Declared before the session, so that the connection closes before its folder goes.
    BaseTemporaire base;
    QTemporaryDir& dossier = base.dossier;
    const QString& chemin = base.chemin;
    Session session;

private:
    static QString modele()
    {
        const QString m = qEnvironmentVariable("MSP_TESTDB");
        if (m.isEmpty())
            qFatal("MSP_TESTDB is not set: declare the test with DATABASE");
        return m;
    }
};
