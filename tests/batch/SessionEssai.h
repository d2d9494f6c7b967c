#pragma once
// A session opened on a private copy of the club test database (tests run in parallel),
// as the connection leaves it: centre 1001, server name and address in the configuration.
#include "config/ConfigPrg.h"
#include "db/Session.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class SessionEssai
{
public:
    SessionEssai()
    {
        const QString modele = qEnvironmentVariable("MSP_TESTDB");
        if (modele.isEmpty())
            qFatal("MSP_TESTDB is not set: declare the test with DATABASE");
        chemin = dossier.filePath(QStringLiteral("club.fdb"));
        if (!QFile::copy(modele, chemin))
            qFatal("cannot copy %s", qPrintable(modele));
        QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner);
        session.dbZelto.setLibraryName(QStringLiteral("libfbclient.so.2"));
        session.dbZelto.setDatabaseName(chemin);
        session.dbZelto.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=masterkey"),
                                   QStringLiteral("lc_ctype=ISO8859_1")});
        session.dbZelto.open();
        session.centre = 1001;
        ConfigPrg.IPServeur = QStringLiteral("10.0.0.7");
        ConfigPrg.Nom = QStringLiteral("Club Essai");
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

    QTemporaryDir dossier;
    QString chemin;
    Session session;
};
