// "--config" driven from outside, as other tools use it.
#include "AideConfig.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCommandeConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void configuration_data()
    {
        QTest::addColumn<QByteArray>("contenu");   // configuration file; "-" for no Program folder
        QTest::addColumn<QStringList>("attendu");  // "@" stands for the test folder
        QTest::newRow("empty Program folder")
            << QByteArray()
            << QStringList{"Nom=LOCAL", "IPServeur=127.0.0.1", "PortDonnee=3050", "Alias=Q58_GESTION", "Centre=-1",
                           "ServeurChoisi=0", "Racine=@/R/", "Temporaire=@/temp/ZeltoSystem/", "NiveauDebug=0",
                           "Fichier=@/R/Program/zeltoQ58.conf"};
        QTest::newRow("no Program folder")
            << QByteArray("-")
            << QStringList{"Nom=LOCAL", "IPServeur=127.0.0.1", "PortDonnee=3050", "Alias=Q58_GESTION", "Centre=0",
                           "ServeurChoisi=0", "Racine=@/R/", "Temporaire=@/temp/ZeltoSystem/", "NiveauDebug=0",
                           "Fichier=@/R/Program/zeltoQ58.conf"};
        QTest::newRow("selected section, hexadecimal centre")
            << QByteArray("[Configuration]\r\nServeur=1\r\n[Serveur0]\r\nNom=A\r\n[Serveur1]\r\nNom=B\r\nIPServeur=db\r\n"
                          "PortDonnee=3051\r\nCentre=0x4D2\r\nAlias=club\r\nRacine=@\\S\r\nTemporaire=@/log\r\nNiveauDebug=10\r\n")
            << QStringList{"Nom=B", "IPServeur=db", "PortDonnee=3051", "Alias=club", "Centre=1234", "ServeurChoisi=1",
                           "Racine=@/S/", "Temporaire=@/log/ZeltoSystem/", "NiveauDebug=10",
                           "Fichier=@/R/Program/zeltoQ58.conf"};
        QTest::newRow("missing section") << QByteArray("[Configuration]\nServeur=5\n[Serveur0]\nNom=A\n")
                                         << QStringList{"Nom=LOCAL", "Centre=0", "ServeurChoisi=-1"};
        QTest::newRow("out of range centre") << QByteArray("[Serveur0]\nCentre=999\n") << QStringList{"Centre=-1"};
        QTest::newRow("dot-dot alias") << QByteArray("[Serveur0]\nAlias=@/R/../club.fdb\n") << QStringList{"Alias=@/club.fdb"};
    }
    void configuration()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QStringList, attendu);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray racine = QFile::encodeName(dir.path());
        if (contenu != "-")
            QDir().mkpath(dir.path() + "/R/Program");
        if (!contenu.isEmpty() && contenu != "-")
            ecrireOctets(dir.path() + "/R/Program/zeltoQ58.conf", QByteArray(contenu).replace('@', racine));
        QDir().mkpath(dir.path() + "/home");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir.path() + "/home");
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("XDG_DATA_HOME", dir.path() + "/data");
        env.insert("TEMP", dir.path() + "/temp");
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(qEnvironmentVariable("MSP_BINARY_DIR") + "/module-special",
                {"--racine", dir.path() + "/R/Program", "--config"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QStringList lignes = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString());
        for (QString a : attendu)
            QVERIFY2(lignes.contains(a.replace('@', dir.path())), qPrintable(a + " not in:\n" + lignes.join('\n')));
        if (attendu.size() == 10) {
            QStringList cles;
            for (const QString& l : lignes)
                cles << l.section('=', 0, 0);
            QCOMPARE(cles.join(','), QStringLiteral("Nom,IPServeur,PortDonnee,Alias,Centre,ServeurChoisi,Racine,Temporaire,NiveauDebug,Fichier"));
        }

        // Nothing but the named folders is written: the configuration file, the per-user folder
        // and the temporary folders with their logs.
        QStringList ecrits;
        QDirIterator it(dir.path(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            ecrits << it.next().mid(dir.path().size());
        for (const QString& e : ecrits)
            QVERIFY2(QRegularExpression("^/(R(/Program(/zeltoQ58\\.conf)?)?|home|config(/Zelto System)?|temp(/ZeltoSystem(/Log - \\d{6} -  - Outils\\.txt)?)?|log(/ZeltoSystem(/.*)?)?)$")
                         .match(e).hasMatch(), qPrintable(e));
        if (contenu == "-")
            QVERIFY(QString::fromUtf8(lireOctets(dir.path() + "/temp/ZeltoSystem/" + ecrits.filter("Log - ").value(0).section('/', -1)))
                        .contains("Création du fichier de configuration (" + dir.path() + "/R/Program/zeltoQ58.conf): Impossible d'écrire dans "));
    }
};

QTEST_GUILESS_MAIN(TestCommandeConfig)
#include "tst_commandeconfig.moc"
