// Reading, creating and migrating the configuration file; the establishment import.
#include "AideConfig.h"

#include "config/ConfigPrg.h"
#include "config/Environnement.h"
#include "config/ErreurConfig.h"
#include "config/Etablissements.h"
#include "config/FichierConfig.h"
#include "config/Journal.h"

#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestFichierConfig : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_cwd;

    QString d(const QString& nom = QString()) const { return m_dir->path() + QLatin1Char('/') + nom; }
    QString conf() const { return d("R/Program/zeltoQ58.conf"); }
    QString profil() const { return d("config/Zelto System/"); }
    QString journal() const
    {
        return QString::fromUtf8(lireOctets(ConfigPrg.Temporaire + NomFichierLog(QDate::currentDate())));
    }
    static QByteArray date(int jours) { return QDate::currentDate().addDays(jours).toString("dd/MM/yyyy").toUtf8(); }

private Q_SLOTS:
    void initTestCase() { m_cwd = QDir::currentPath(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        isolerEnvironnement(m_dir->path());
        QDir().mkpath(d("R/Program"));
        DefinirDossierExecutable(d("R/Program"));
        ReinitialiserConfigPrg();
        NumeroModule = 9;
    }
    void cleanup() { QDir::setCurrent(m_cwd); }

    void racine_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("racine");
        QTest::newRow("Program folder") << "/Apps/Club/Program/" << "/Apps/Club/";
        QTest::newRow("no program in the path") << "/Tools" << "/Tools/";
        QTest::newRow("inside a longer name") << "/myprogram/bin/" << "/mybin/";
        QTest::newRow("any letter case, case kept") << "/Apps/Club/PROGRAM/" << "/Apps/Club/";
        QTest::newRow("first occurrence only") << "/program/a/Program/" << "/a/Program/";
    }
    void racine()
    {
        QFETCH(QString, executable);
        QFETCH(QString, racine);
        QCOMPARE(RacineDepuisDossier(executable), racine);
    }
    void dossierProgramEnMinuscules()
    {
        QDir().mkpath(d("S/program"));
        QCOMPARE(CheminFichierConfig(d("S")), d("S/program/zeltoQ58.conf"));
        QCOMPARE(CheminFichierConfig(d("T/")), d("T/Program/zeltoQ58.conf"));
    }

    void creeDepuisRien()
    {
        LireFichierConfig();
        const QByteArray attendu = "[Configuration]\r\nServeur=0\r\n[Serveur0]\r\nIPServeur=127.0.0.1\r\nPortDonnee=3050\r\n"
                                   "Temporaire=" + QFile::encodeName(d("temp/ZeltoSystem/")) + "\r\n"
                                   "Racine=" + QFile::encodeName(d("R/")) + "\r\n"
                                   "Dernier=\r\nCentre=-1\r\nAlias=Q58_GESTION\r\nNom=LOCAL\r\nToken=\r\nNiveauDebug=0\r\n";
        QCOMPARE(lireOctets(conf()), attendu);
        QCOMPARE(ConfigPrg.ServeurChoisi, 0);
        QCOMPARE(ConfigPrg.Centre, qint64(-1));
        QCOMPARE(ConfigPrg.MotDePasse, QString::fromLatin1(kMotDePasseParDefaut));
        QCOMPARE(ConfigPrg.DossierProfil, profil());
        QCOMPARE(FichierConfigLu(), conf());
        QCOMPARE(journal(), QString());
    }
    void moduleNonDefini()
    {
        NumeroModule = -1;
        LireFichierConfig();
        QVERIFY(!QFileInfo::exists(conf()));
        QCOMPARE(ConfigPrg.ServeurChoisi, -1);
        QCOMPARE(ConfigPrg.Racine, d("R/"));
    }
    void dossierProgramAbsent()
    {
        DefinirDossierExecutable(d("R/bin"));
        LireFichierConfig();
        const QString cible = d("R/bin/Program/zeltoQ58.conf");
        QVERIFY(!QFileInfo::exists(d("R/bin/Program")));
        QCOMPARE(ConfigPrg.ServeurChoisi, 0);
        QCOMPARE(ConfigPrg.Centre, qint64(0));
        QCOMPARE(ConfigPrg.Nom, QStringLiteral("LOCAL"));
        QVERIFY(journal().endsWith(QStringLiteral(" [ERR.] >> Création du fichier de configuration (%1): "
                                                  "Impossible d'écrire dans %1\r\n").arg(cible)));
    }

    void lecture_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<int>("choisi");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<qint64>("centre");
        QTest::addColumn<QString>("alias");
        QTest::addColumn<int>("entrees");
        const QByteArray deux = "[Serveur0]\nNom=A\nCentre=1001\nIPServeur=ha\n[Serveur1]\nNom=B\nCentre=1002\nIPServeur=hb\n";
        QTest::newRow("Serveur=1") << "[Configuration]\nServeur=1\n" + deux << 1 << "B" << "hb" << qint64(1002) << "Q58_GESTION" << 2;
        QTest::newRow("no Serveur key") << deux << 0 << "A" << "ha" << qint64(1001) << "Q58_GESTION" << 2;
        QTest::newRow("Serveur=5: none selected") << "[configuration]\nserveur=5\n" + deux << -1 << "LOCAL" << "127.0.0.1" << qint64(0) << "Q58_GESTION" << 2;
        QTest::newRow("gap ends the scan") << QByteArray("[Serveur0]\nNom=A\n[Serveur2]\nNom=C\n") << 0 << "A" << "127.0.0.1" << qint64(-1) << "Q58_GESTION" << 1;
        QTest::newRow("empty header ends the scan") << QByteArray("[Serveur0]\nNom=A\n[Serveur1]\n[Serveur2]\nNom=C\n") << 0 << "A" << "127.0.0.1" << qint64(-1) << "Q58_GESTION" << 1;
        QTest::newRow("empty Alias") << QByteArray("[Serveur0]\nAlias=\n") << 0 << "LOCAL" << "127.0.0.1" << qint64(-1) << "Q58_GESTION" << 1;
        QTest::newRow("host name in other case") << "[Serveur0]\nIPServeur=" + QSysInfo::machineHostName().toUpper().toUtf8() + "\nAlias=/db/club.fdb\n"
                                                 << 0 << "LOCAL" << "127.0.0.1" << qint64(-1) << "/db/club.fdb" << 1;
        QTest::newRow("binary file") << QByteArray("\x00\x01[Serveur0\xff\n\x00=\x00", 14) << -1 << "LOCAL" << "127.0.0.1" << qint64(0) << "Q58_GESTION" << 0;
        QTest::newRow("100000-character line") << "[Serveur0]\nNom=" + QByteArray(100000, 'n') + "\nCentre=2000\n"
                                               << 0 << QString(2047, QLatin1Char('n')) << "127.0.0.1" << qint64(2000) << "Q58_GESTION" << 1;
        QTest::newRow("truncated file") << QByteArray("[Serveur0]\nCentre=20") << 0 << "LOCAL" << "127.0.0.1" << qint64(-1) << "Q58_GESTION" << 1;
    }
    void lecture()
    {
        QFETCH(QByteArray, contenu);
        ecrireOctets(conf(), contenu);
        LireFichierConfig();
        QTEST(ConfigPrg.ServeurChoisi, "choisi");
        QTEST(ConfigPrg.Nom, "nom");
        QTEST(ConfigPrg.IPServeur, "ip");
        QTEST(ConfigPrg.Centre, "centre");
        QTEST(ConfigPrg.Alias, "alias");
        QTEST(int(ConfigServeurs.size()), "entrees");
        QCOMPARE(lireOctets(conf()), contenu);   // an existing file is never rewritten
    }

    void centre_data()
    {
        QTest::addColumn<QByteArray>("valeur");
        QTest::addColumn<qint64>("centre");
        for (const auto& [v, c] : {std::pair{"999", -1}, {"10000", -1}, {"1000", 1000}, {"9999", 9999}, {"-1", -1},
                                   {"0x4D2", 1234}, {"$4D2", 1234}, {"douze", -1}, {"0", -1}})
            QTest::newRow(v) << QByteArray(v) << qint64(c);
    }
    void centre()
    {
        QFETCH(QByteArray, valeur);
        ecrireOctets(conf(), "[Serveur0]\nCentre=" + valeur + "\n");
        LireFichierConfig();
        QTEST(ConfigPrg.Centre, "centre");
    }

    void pointPoint()
    {
        QDir().mkpath(d("cwd/sub"));
        QVERIFY(QDir::setCurrent(d("cwd/sub")));
        ecrireOctets(conf(), "[Serveur0]\nRacine=..\\x\nAlias=../db/club.fdb\nTemporaire=../log\n"
                             "[Serveur1]\nRacine=..\\y\n");
        LireFichierConfig();
        QCOMPARE(ConfigPrg.Racine, d("cwd/x/"));
        QCOMPARE(ConfigPrg.Alias, d("cwd/db/club.fdb"));
        QCOMPARE(ConfigPrg.Temporaire, d("cwd/log/ZeltoSystem/"));
        QCOMPARE(ConfigServeurs.at(1).Racine, QStringLiteral("../y/"));   // only the selected entry is expanded
    }

    void debugExpiration_data()
    {
        QTest::addColumn<QByteArray>("cles");
        QTest::addColumn<int>("niveau");
        QTest::newRow("yesterday") << "NiveauDebug=10\nDebugExpiration=" + date(-1) << 0;
        QTest::newRow("today") << "NiveauDebug=10\nDebugExpiration=" + date(0) << 10;
        QTest::newRow("no date") << QByteArray("NiveauDebug=10") << 10;
        QTest::newRow("unparsable date") << QByteArray("NiveauDebug=10\nDebugExpiration=demain") << 10;
        QTest::newRow("level 5") << "NiveauDebug=5\nDebugExpiration=" + date(3) << 5;
    }
    void debugExpiration()
    {
        QFETCH(QByteArray, cles);
        QFETCH(int, niveau);
        ecrireOctets(conf(), "[Serveur0]\nTemporaire=" + QFile::encodeName(d("log")) + "\n" + cles + "\n");
        LireFichierConfig();
        QCOMPARE(ConfigPrg.NiveauDebug, niveau);
        QCOMPARE(journal().contains(QStringLiteral(" [ALER] >> LireFichierConfig (Dbg=10)\r\n")), niveau >= 10);
        QCOMPARE(journal().contains(QStringLiteral("Dbg=")), niveau >= 10);
    }

    void copieProfil_data()
    {
        QTest::addColumn<bool>("ciblePresente");
        QTest::addColumn<bool>("dossierProgram");
        QTest::addColumn<QString>("nomLu");
        QTest::addColumn<bool>("copieGardee");
        QTest::newRow("target absent: moved into place") << false << true << "COPIE" << false;
        QTest::newRow("both present: target read, copy discarded") << true << true << "CIBLE" << false;
        QTest::newRow("no Program folder: copy kept") << false << false << "LOCAL" << true;
    }
    void copieProfil()
    {
        QFETCH(bool, ciblePresente);
        QFETCH(bool, dossierProgram);
        ecrireOctets(profil() + "zeltoQ58.conf", "[Serveur0]\nNom=COPIE\n");
        if (ciblePresente)
            ecrireOctets(conf(), "[Serveur0]\nNom=CIBLE\n");
        if (!dossierProgram)
            QDir(d("R/Program")).removeRecursively();
        LireFichierConfig();
        QTEST(ConfigPrg.Nom, "nomLu");
        QTEST(QFileInfo::exists(profil() + "zeltoQ58.conf"), "copieGardee");
        QCOMPARE(QFileInfo::exists(d("data/Trash/files/zeltoQ58.conf")), ciblePresente);
    }

    void ancienneConfig_data()
    {
        QTest::addColumn<bool>("etablissements");
        QTest::newRow("legacy file alone") << false;
        QTest::newRow("with establishment file") << true;
    }
    void ancienneConfig()
    {
        QFETCH(bool, etablissements);
        ecrireOctets(d("R/Program/zelto.conf"), "[Configuration]\nRacine=" + QFile::encodeName(d("R")).replace('/', '\\')
                                                    + "\nIPServeur=srv\nPortDonnee=3051\nCentre=1234\nDernier=d\n");
        if (etablissements)
            ecrireOctets(profil() + "ZELTO_ETS.XML",
                         "<Etablissement><Ets3><CodeCentre Value=\"50\"/></Ets3>"
                         "<Ets1><CodeCentre Value=\"2001\"/><Code Value=\"C1\"/><IP Value=\"10.0.0.1\"/>"
                         "<Alias Value=\"\"/><Nom Value=\"Nord\"/></Ets1></Etablissement>");
        LireFichierConfig();
        QCOMPARE(ConfigPrg.IPServeur, QStringLiteral("srv"));
        QCOMPARE(ConfigPrg.PortDonnee, QStringLiteral("3051"));
        QCOMPARE(ConfigPrg.Centre, qint64(1234));
        QCOMPARE(ConfigPrg.Racine, d("R/"));
        QCOMPARE(ConfigServeurs.size(), etablissements ? 3 : 1);
        if (etablissements) {
            const TEnr_ConfigServeur& nord = ConfigServeurs.at(1);
            QCOMPARE(nord.Centre, 2001);
            QCOMPARE(nord.Token + nord.IPServeur + nord.Alias + nord.Nom, QStringLiteral("C110.0.0.1Q58_GESTIONNord"));
            QCOMPARE(nord.PortDonnee, QStringLiteral("3050"));
            QCOMPARE(ConfigServeurs.at(2).Centre, -1);   // 50 is written as is and read back as -1
            QVERIFY(lireOctets(conf()).contains("[Serveur2]\r\nIPServeur=127.0.0.1\r\nPortDonnee=3050\r\n"));
            QVERIFY(lireOctets(conf()).contains("\r\nCentre=50\r\nAlias=Q58_GESTION\r\nMotDePasse=tR4kWz0pLm9QxV2sYb7NcA==\r\n"));
        }
    }
    void ancienneConfigEtablissementsIllisibles()
    {
        ecrireOctets(d("R/Program/zelto.conf"), "[Configuration]\nIPServeur=srv\nCentre=1234\n");
        ecrireOctets(profil() + "ZELTO_ETS.XML", "<Etablissement><Ets1>");
        LireFichierConfig();
        QVERIFY(!QFileInfo::exists(conf()));
        QCOMPARE(ConfigPrg.IPServeur, QStringLiteral("srv"));
        QCOMPARE(ConfigPrg.Centre, qint64(1234));
        QVERIFY(journal().contains(QStringLiteral(" [ERR.] >> Impossible de créer le fichier de configuration: ")));
    }

    void etablissements_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("attendu");   // Centre/Token/IP/Alias/Nom per entry, or "!" + part of the failure
        const auto cc = [](const char* n) { return QByteArray("<CodeCentre Value=\"") + n + "\"/>"; };
        QTest::newRow("Ets1 and Ets3") << "<Etablissement><Ets3>" + cc("3") + "</Ets3><Ets1>" + cc("1") + "</Ets1></Etablissement>"
                                       << "1//127.0.0.1/ALIAS/;3//127.0.0.1/ALIAS/;";
        QTest::newRow("Ets61, Ets01, ets1 ignored") << "<Etablissement><Ets61>" + cc("1") + "</Ets61><Ets01>" + cc("2")
                                                           + "</Ets01><ets1>" + cc("3") + "</ets1></Etablissement>" << "";
        QTest::newRow("first of two Ets2") << "<Etablissement><Ets2>" + cc("7") + "</Ets2><Ets2>" + cc("8") + "</Ets2></Etablissement>"
                                           << "7//127.0.0.1/ALIAS/;";
        QTest::newRow("no CodeCentre, 0, -5 skipped; 50 kept")
            << "<Etablissement><Ets1/><Ets2>" + cc("0") + "</Ets2><Ets3>" + cc("-5") + "</Ets3><Ets4>" + cc("50")
                   + "<codecentre Value=\"9\"/></Ets4></Etablissement>" << "50//127.0.0.1/ALIAS/;";
        QTest::newRow("children") << "<Etablissement><Ets1>" + cc("0x7D1") + "<Nom Value=\"Créteil\"/><IP Value=\"\"/>"
                                        "<Alias Value=\"\"/><Code Value=\"K\"/><Autre/></Ets1></Etablissement>" << "2001/K//Q58_GESTION/Créteil;";
        QTest::newRow("namespace prefixes") << QByteArray("<z:Etablissement xmlns:z=\"urn:z\"><z:Ets1><z:CodeCentre Value=\"4\"/>"
                                                          "<y:Nom Value=\"P\"/></z:Ets1></z:Etablissement>") << "4//127.0.0.1/ALIAS/P;";
        QTest::newRow("Value in another case") << QByteArray("<Etablissement><Ets1><CodeCentre value=\"4\"/></Ets1></Etablissement>")
                                               << "!\"CodeCentre\" de \"Ets1\" n'a pas d'attribut \"Value\"";
        QTest::newRow("Nom without Value") << "<Etablissement><Ets1>" + cc("4") + "<Nom/></Ets1></Etablissement>" << "!\"Nom\"";
        QTest::newRow("CodeCentre not an integer") << "<Etablissement><Ets1>" + cc("douze") + "</Ets1></Etablissement>"
                                                   << "!'douze' n'est pas une valeur entière correcte";
        QTest::newRow("wrong root") << QByteArray("<Etablissements><Ets1/></Etablissements>") << "!n'est pas \"Etablissement\"";
        QTest::newRow("malformed") << QByteArray("<Etablissement><Ets1></Etablissement>") << "!(ligne 1";
        QTest::newRow("empty file") << QByteArray() << "!(ligne";
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe<\x01", 5) << "!(ligne";
        QTest::newRow("deep nesting") << QByteArray("<Etablissement>") + QByteArray("<a>").repeated(200000) << "!plus de 64 niveaux";
        QTest::newRow("many elements") << "<Etablissement>" + QByteArray("<Ets1><CodeCentre Value=\"5\"/></Ets1>").repeated(100000)
                                              + "</Etablissement>" << "5//127.0.0.1/ALIAS/;";
        QTest::newRow("huge") << "<Etablissement>" + QByteArray(5 * 1024 * 1024, ' ') + "</Etablissement>" << "!trop volumineux";
    }
    void etablissements()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, attendu);
        ConfigPrg.DossierProfil = profil();
        ConfigPrg.Alias = QStringLiteral("ALIAS");
        ecrireOctets(profil() + "ZELTO_ETS.XML", xml);
        QString obtenu;
        try {
            LireFichierEtablissements();
            QCOMPARE(ConfigServeurs.size() > 0 ? ConfigServeurs.at(0).Centre : -1, 0);
            for (qsizetype i = 1; i < ConfigServeurs.size(); ++i) {
                const TEnr_ConfigServeur& e = ConfigServeurs.at(i);
                obtenu += QStringList{QString::number(e.Centre), e.Token, e.IPServeur, e.Alias, e.Nom}.join('/') + ';';
            }
            QCOMPARE(obtenu, attendu);
        } catch (const ErreurConfig& e) {
            QVERIFY2(attendu.startsWith('!') && e.message().contains(attendu.mid(1)), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestFichierConfig)
#include "tst_fichierconfig.moc"
