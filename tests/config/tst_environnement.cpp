// Text codec, profile files, temporary folder, diagnostic log, file removal and waiting.
#include "AideConfig.h"

#include "config/ConfigPrg.h"
#include "config/ErreurConfig.h"
#include "config/FichierIni.h"
#include "config/Fichiers.h"
#include "config/Journal.h"
#include "config/Texte.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestEnvironnement : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString d(const QString& nom) const { return m_dir.path() + QLatin1Char('/') + nom; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        isolerEnvironnement(m_dir.path());
    }
    void init()
    {
        ReinitialiserConfigPrg();
        DefinirHorlogeJournal({});
    }

    void cp1252_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("texte");
        QTest::newRow("euro") << QByteArray("\x80") << QString(QChar(0x20AC));
        QTest::newRow("quotes and dash") << QByteArray("\x91\x92\x93\x94\x96\x97") << QStringLiteral("‘’“”–—");
        QTest::newRow("oe, S caron, Y diaeresis") << QByteArray("\x9c\x8a\x9f") << QStringLiteral("œŠŸ");
        QTest::newRow("undefined bytes keep their value") << QByteArray("\x81\x8d\x8f\x90\x9d")
                                                          << QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d");
        QTest::newRow("latin-1 range") << QByteArray("\xe9\xe0\xff\xa0") << QStringLiteral("éàÿ\u00a0");
    }
    void cp1252()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, texte);
        QCOMPARE(texte::depuisCp1252(octets), texte);
        QCOMPARE(texte::versCp1252(texte), octets);
    }
    void cp1252HorsTable()
    {
        QCOMPARE(texte::versCp1252(QStringLiteral("a→ł€")), QByteArray("a??\x80"));
        QCOMPARE(texte::decoderFichier(QByteArray("caf\xe9")), QStringLiteral("café"));
        QCOMPARE(texte::decoderFichier(QByteArray("\xef\xbb\xbf" "caf\xc3\xa9")), QStringLiteral("café"));
        // One mark is the file's; a second one is text.
        QCOMPARE(texte::decoderFichier(QByteArray("\xef\xbb\xbf\xef\xbb\xbf" "a")), QString(QChar(0xFEFF)) + u'a');
        QCOMPARE(texte::decoderFichier(QByteArray("a\xef\xbb\xbf")), QStringLiteral("a") + QChar(0xFEFF));
    }

    void iniLecture_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QString>("attendu");   // "<défaut>" when the default comes back
        QTest::newRow("case-insensitive names") << QByteArray("[SeRvEuR0]\nALIAS=x\n") << "serveur0" << "alias" << "x";
        QTest::newRow("blanks trimmed, quotes kept") << QByteArray("[s]\n  k  =  \"a b\"  \n") << "s" << "k" << "\"a b\"";
        QTest::newRow("present empty key") << QByteArray("[s]\nk=\n") << "s" << "k" << "";
        QTest::newRow("missing key") << QByteArray("[s]\nj=1\n") << "s" << "k" << "<défaut>";
        QTest::newRow("key of another section") << QByteArray("[a]\nk=1\n[s]\nj=2\n") << "s" << "k" << "<défaut>";
        QTest::newRow("first of duplicates") << QByteArray("[s]\nk=1\nk=2\n[s]\nk=3\n") << "s" << "k" << "1";
        QTest::newRow("comment line") << QByteArray("[s]\n;k=1\n") << "s" << "k" << "<défaut>";
        QTest::newRow("value with =") << QByteArray("[s]\nk=a=b\n") << "s" << "k" << "a=b";
        QTest::newRow("backslashes kept") << QByteArray("[s]\nk=C:\\Zelto\\\n") << "s" << "k" << "C:\\Zelto\\";
        QTest::newRow("CR LF lines") << QByteArray("[s]\r\nk=v\r\n") << "s" << "k" << "v";
        QTest::newRow("windows-1252 file") << QByteArray("[s]\nk=Cr\xe9teil \x80\n") << "s" << "k" << "Créteil €";
        QTest::newRow("utf-8 file") << QByteArray("[s]\nk=Cr\xc3\xa9teil\n") << "s" << "k" << "Créteil";
        QTest::newRow("truncated file") << QByteArray("[s]\nk=abc") << "s" << "k" << "abc";
        QTest::newRow("binary file") << QByteArray("\x00\xff[s\x00]\n\x01=\x02\n", 11) << "s" << "k" << "<défaut>";
        QTest::newRow("header without bracket") << QByteArray("[s\nk=1\n") << "s" << "k" << "1";
        QTest::newRow("100000-character value cut to 2047")
            << QByteArray("[s]\nk=" + QByteArray(100000, 'x') + "\nj=1\n") << "s" << "k" << QString(2047, QLatin1Char('x'));
    }
    void iniLecture()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, section);
        QFETCH(QString, cle);
        QFETCH(QString, attendu);
        ecrireOctets(d("lecture.ini"), contenu);
        const FichierIni ini(d("lecture.ini"));
        QCOMPARE(ini.lireTexte(section, cle, QStringLiteral("<défaut>")), attendu);
    }

    void iniSectionPresente()
    {
        ecrireOctets(d("sections.ini"), "[Vide]\n; rien\n[Pleine]\nk=\n[Suivante]\n");
        const FichierIni ini(d("sections.ini"));
        QVERIFY(!ini.sectionPresente(QStringLiteral("Vide")));
        QVERIFY(ini.sectionPresente(QStringLiteral("PLEINE")));
        QVERIFY(!ini.sectionPresente(QStringLiteral("Absente")));
        QCOMPARE(ini.cles(QStringLiteral("pleine")), QStringList{QStringLiteral("k")});
    }

    void iniEntier_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("attendu");   // -777: the default
        QTest::newRow("decimal") << "1234" << 1234;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("0x") << "0x4D2" << 1234;
        QTest::newRow("0X lower digits") << "0X4d2" << 1234;
        QTest::newRow("dollar") << "$4D2" << 1234;
        QTest::newRow("32-bit pattern") << "0xFFFFFFFF" << -1;
        QTest::newRow("hex too long") << "0x100000000" << -777;
        QTest::newRow("decimal overflow") << "2147483648" << -777;
        QTest::newRow("int min") << "-2147483648" << std::numeric_limits<int>::min();
        QTest::newRow("text") << "douze" << -777;
        QTest::newRow("trailing garbage") << "12a" << -777;
        QTest::newRow("empty") << "" << -777;
        QTest::newRow("prefix only") << "0x" << -777;
        QTest::newRow("non-ASCII digits") << QStringLiteral("١٢") << -777;
    }
    void iniEntier()
    {
        QFETCH(QString, texte);
        QFETCH(int, attendu);
        ecrireOctets(d("entier.ini"), "[s]\nk=" + texte.toUtf8() + "\n");
        QCOMPARE(FichierIni(d("entier.ini")).lireEntier(QStringLiteral("s"), QStringLiteral("k"), -777), attendu);
    }

    void iniDate_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QDate>("attendu");
        QTest::newRow("dd/MM/yyyy") << "05/03/2031" << QDate(2031, 3, 5);
        QTest::newRow("d/M/yyyy") << "5/3/2031" << QDate(2031, 3, 5);
        QTest::newRow("ISO is not the format") << "2031-03-05" << QDate(2000, 1, 1);
        QTest::newRow("impossible date") << "31/02/2031" << QDate(2000, 1, 1);
    }
    void iniDate()
    {
        QFETCH(QString, texte);
        QFETCH(QDate, attendu);
        ecrireOctets(d("date.ini"), "[s]\nk=" + texte.toUtf8() + "\n");
        QCOMPARE(FichierIni(d("date.ini")).lireDate(QStringLiteral("s"), QStringLiteral("k"), QDate(2000, 1, 1)), attendu);
    }

    void iniEcriture_data()
    {
        QTest::addColumn<QByteArray>("avant");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("cle");
        QTest::addColumn<QByteArray>("apres");
        QTest::newRow("first write creates the file") << QByteArray() << "S" << "k" << QByteArray("[S]\r\nk=v\r\n");
        QTest::newRow("replaced in place") << QByteArray("[s]\na=1\nK=2\nb=3\n") << "S" << "k" << QByteArray("[s]\na=1\nk=v\nb=3\n");
        QTest::newRow("appended after the last key of its section")
            << QByteArray("[s]\na=1\n\n[t]\nb=2\n") << "s" << "k" << QByteArray("[s]\na=1\nk=v\n\n[t]\nb=2\n");
        QTest::newRow("empty section header") << QByteArray("[s]\n[t]\n") << "s" << "k" << QByteArray("[s]\nk=v\n[t]\n");
        QTest::newRow("new section at the end") << QByteArray("[t]\r\nb=2\r\n") << "s" << "k" << QByteArray("[t]\r\nb=2\r\n[s]\r\nk=v\r\n");
        QTest::newRow("windows-1252 rewritten as utf-8") << QByteArray("[t]\nb=\xe9\n") << "t" << "k" << QByteArray("[t]\nb=\xc3\xa9\nk=v\n");
        QTest::newRow("byte-order mark kept") << QByteArray("\xef\xbb\xbf[t]\nb=2\n") << "t" << "k"
                                              << QByteArray("\xef\xbb\xbf[t]\nb=2\nk=v\n");
        // The second mark is text: that line is no header, and must not become one on rewrite.
        QTest::newRow("second mark stays text") << QByteArray("\xef\xbb\xbf\xef\xbb\xbf[t]\nb=2\n") << "t" << "k"
                                                << QByteArray("\xef\xbb\xbf\xef\xbb\xbf[t]\nb=2\n[t]\nk=v\n");
    }
    void iniEcriture()
    {
        QFETCH(QByteArray, avant);
        QFETCH(QString, section);
        QFETCH(QString, cle);
        QFETCH(QByteArray, apres);
        const QString chemin = d(QStringLiteral("ecriture-%1.ini").arg(QTest::currentDataTag()));
        if (!avant.isEmpty())
            ecrireOctets(chemin, avant);
        FichierIni ini(chemin);
        ini.ecrireTexte(section, cle, QStringLiteral("v"));
        QCOMPARE(lireOctets(chemin), apres);
        QCOMPARE(ini.lireTexte(section, cle, QString()), QStringLiteral("v"));
        QCOMPARE(FichierIni(chemin).lireTexte(section, cle, QString()), QStringLiteral("v"));
    }
    void iniEcritureValeurs()
    {
        FichierIni ini(d("valeurs.ini"));
        ini.ecrireEntier(QStringLiteral("s"), QStringLiteral("n"), -42);
        ini.ecrireDate(QStringLiteral("s"), QStringLiteral("d"), QDate(2031, 3, 5));
        ini.ecrireTexte(QStringLiteral("s"), QStringLiteral("t"), QStringLiteral("a\r\n[x]\nb=c"));
        QCOMPARE(lireOctets(d("valeurs.ini")), QByteArray("[s]\r\nn=-42\r\nd=05/03/2031\r\nt=a [x] b=c\r\n"));
        const FichierIni relu(d("valeurs.ini"));
        QCOMPARE(relu.lireDate(QStringLiteral("s"), QStringLiteral("d"), {}), QDate(2031, 3, 5));
        QVERIFY(!relu.sectionPresente(QStringLiteral("x")));
    }
    void iniEcritureImpossible_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::newRow("missing folder") << d("absent/f.ini");
        QTest::newRow("folder under a regular file") << d("fichier-simple/f.ini");
        QTest::newRow("the path is a folder") << d("un-dossier");
    }
    void iniEcritureImpossible()
    {
        QFETCH(QString, chemin);
        ecrireOctets(d("fichier-simple"), "x");
        QDir().mkpath(d("un-dossier"));
        FichierIni ini(chemin);
        try {
            ini.ecrireTexte(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"));
            QFAIL("the write should have failed");
        } catch (const ErreurConfig& e) {
            QCOMPARE(e.message(), QStringLiteral("Impossible d'écrire dans ") + chemin);
        }
        QVERIFY(!QFileInfo(d("absent")).exists());
    }

    void normaliserDossierTemp_data()
    {
        QTest::addColumn<QString>("entree");
        QTest::addColumn<QString>("attendu");   // "@" stands for the test folder
        QTest::newRow("too short: TEMP-based") << "C:\\" << "@/temp/ZeltoSystem/";
        QTest::newRow("empty: TEMP-based") << "" << "@/temp/ZeltoSystem/";
        QTest::newRow("plain folder") << "@/Logs" << "@/Logs/ZeltoSystem/";
        QTest::newRow("backslashes are separators") << "@\\Logs2\\" << "@/Logs2/ZeltoSystem/";
        QTest::newRow("already holds the word") << "@/ZeltoSystemLogs/" << "@/ZeltoSystemLogs/";
        QTest::newRow("case-sensitive word") << "@/zeltosystem/" << "@/zeltosystem/ZeltoSystem/";
        QTest::newRow("dot-dot expanded") << "@/a/../b" << "@/b/ZeltoSystem/";
        QTest::newRow("cannot be created: TEMP-based") << "@/fichier-simple/x" << "@/temp/ZeltoSystem/";
    }
    void normaliserDossierTemp()
    {
        QFETCH(QString, entree);
        QFETCH(QString, attendu);
        ecrireOctets(d("fichier-simple"), "x");
        entree.replace(QLatin1Char('@'), m_dir.path());
        attendu.replace(QLatin1Char('@'), m_dir.path());
        QCOMPARE(NormaliserDossierTemp(entree), attendu);
        QVERIFY(QFileInfo(attendu).isDir());
    }
    void normaliserDossierTempVariables_data()
    {
        QTest::addColumn<QByteArray>("temp");
        QTest::addColumn<QByteArray>("tmp");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("TEMP too short: TMP") << QByteArray("/a") << QByteArray("@/tmp") << "@/tmp/ZeltoSystem/";
        QTest::newRow("both unset: TMPDIR") << QByteArray() << QByteArray() << "@/tmpdir/ZeltoSystem/";
    }
    void normaliserDossierTempVariables()
    {
        QFETCH(QByteArray, temp);
        QFETCH(QByteArray, tmp);
        QFETCH(QString, attendu);
        const QByteArray racine = QFile::encodeName(m_dir.path());
        temp.isEmpty() ? qunsetenv("TEMP") : qputenv("TEMP", temp.replace('@', racine));
        tmp.isEmpty() ? qunsetenv("TMP") : qputenv("TMP", tmp.replace('@', racine));
        const QString obtenu = NormaliserDossierTemp(QString());
        isolerEnvironnement(m_dir.path());
        QCOMPARE(obtenu, attendu.replace(QLatin1Char('@'), m_dir.path()));
    }

    void ecrireLog_data()
    {
        QTest::addColumn<int>("module");
        QTest::addColumn<int>("niveauDebug");
        QTest::addColumn<QString>("lignes");   // tags of the lines written for levels 0, 10, 20
        QTest::newRow("module not set") << -1 << 20 << "";
        QTest::newRow("debug -1: no file") << 9 << -1 << "";
        QTest::newRow("debug 0") << 9 << 0 << "[ERR.]";
        QTest::newRow("debug 10") << 9 << 10 << "[ERR.][ALER]";
        QTest::newRow("debug 20") << 9 << 20 << "[ERR.][ALER][INFO]";
    }
    void ecrireLog()
    {
        QFETCH(int, module);
        QFETCH(int, niveauDebug);
        QFETCH(QString, lignes);
        NumeroModule = module;
        ConfigPrg.NiveauDebug = niveauDebug;
        ConfigPrg.Temporaire = d(QStringLiteral("log-%1/").arg(QTest::currentDataTag()));
        for (int niveau : {0, 10, 20})
            EcrireLog(QStringLiteral("m%1").arg(niveau), niveau);
        const QString fichier = ConfigPrg.Temporaire + NomFichierLog(QDate::currentDate());
        const QString texte = QString::fromUtf8(lireOctets(fichier));
        QString tags;
        for (const QString& l : texte.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            tags += l.mid(16, 6);
        QCOMPARE(tags, lignes);
        QCOMPARE(QFileInfo::exists(fichier), !lignes.isEmpty());
    }
    void ligneLog()
    {
        NumeroModule = 9;
        QCOMPARE(NomFichierLog(QDate(2024, 3, 7)), QStringLiteral("Log - 240307 -  - Outils.txt"));
        QCOMPARE(NomFichierLog(QDate(2024, 3, 7), QStringLiteral("x")), QStringLiteral("Log - 240307 -  - Outils_x.txt"));
        QCOMPARE(LigneLog(QTime(14, 3, 7, 42), 10, QStringLiteral("LireFichierConfig (Dbg=10)")),
                 QStringLiteral("14:03:07:042 () [ALER] >> LireFichierConfig (Dbg=10)\r\n"));
        QCOMPARE(LigneLog(QTime(0, 0), 0, QString()), QStringLiteral("00:00:00:000 () [ERR.] \r\n"));
        QCOMPARE(EtiquetteNiveau(-5), QStringLiteral(" [ERR.] "));
    }
    void ecrireLogMinuitEtAjout()
    {
        NumeroModule = 9;
        ConfigPrg.Temporaire = d("minuit");
        QDateTime instant(QDate(2030, 12, 31), QTime(23, 59, 59, 999));
        DefinirHorlogeJournal([&] { return instant; });
        EcrireLog(QStringLiteral("a"), 0);
        EcrireLog(QStringLiteral("b"), 0);
        instant = instant.addMSecs(1);
        EcrireLog(QString(), 0);
        DefinirHorlogeJournal({});
        QCOMPARE(ConfigPrg.Temporaire, d("minuit/ZeltoSystem/"));
        QCOMPARE(lireOctets(ConfigPrg.Temporaire + "Log - 301231 -  - Outils.txt"),
                 QByteArray("23:59:59:999 () [ERR.] >> a\r\n23:59:59:999 () [ERR.] >> b\r\n"));
        QCOMPARE(lireOctets(ConfigPrg.Temporaire + "Log - 310101 -  - Outils.txt"), QByteArray("00:00:00:000 () [ERR.] \r\n"));
    }

    void supprimerFichier()
    {
        QVERIFY(SupprimerFichier(d("jamais-la.conf")));
        ecrireOctets(d("profil/zeltoQ58.conf"), "[s]\nk=1\n");
        QVERIFY(SupprimerFichier(d("profil/zeltoQ58.conf")));
        QVERIFY(!QFileInfo::exists(d("profil/zeltoQ58.conf")));
        // The recycle bin is the redirected one, inside the test folder.
        QVERIFY(QFileInfo::exists(d("data/Trash/files/zeltoQ58.conf")));
    }
    void renommerFichier()
    {
        ecrireOctets(d("ren/a.txt"), "1");
        ecrireOctets(d("ren/b.txt"), "2");
        ecrireOctets(d("ren/b (2).txt"), "3");
        QVERIFY(RenommerFichier(d("ren/a.txt"), d("ren/b.txt"), true));
        QCOMPARE(lireOctets(d("ren/b (3).txt")), QByteArray("1"));
        QCOMPARE(lireOctets(d("ren/b.txt")), QByteArray("2"));
        QVERIFY(!RenommerFichier(d("ren/a.txt"), d("ren/c.txt"), true));
    }
    void patienter()
    {
        QElapsedTimer chrono;
        chrono.start();
        int evenements = 0;
        QTimer::singleShot(20, [&] { ++evenements; });
        Patienter(120);
        QVERIFY(chrono.elapsed() >= 119);
        QCOMPARE(evenements, 1);

        // A quit request ends the wait at once and stays in force for the enclosing loop.
        bool finAttente = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(30, [] { QCoreApplication::quit(); });
            Patienter(60000);
            finAttente = true;
        });
        chrono.restart();
        QCoreApplication::exec();
        QVERIFY(finAttente);
        QVERIFY(chrono.elapsed() < 10000);
    }
};

QTEST_GUILESS_MAIN(TestEnvironnement)
#include "tst_environnement.moc"
