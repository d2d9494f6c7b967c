// "--doublons FILE" end to end: the built program on a configuration root pointing at a copy
// of the club test database (embedded access): the CSV file, the label line, the exit codes,
// and no partial file whatever fails.
#include "CasDoublons.h"
#include "common/ProgrammeEssai.h"
#include "common/BaseTemporaire.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCommandeDoublons : public QObject
{
    Q_OBJECT

    ProgrammeEssai m_programme;
    QDate m_debutCas;

    QString d(const QString& relatif) const { return m_programme.d(relatif); }
    void configurer(const QString& base) { m_programme.configurer(base); }
    static void ecrire(const QString& chemin, const QByteArray& octets) { ProgrammeEssai::ecrire(chemin, octets); }

    // A fresh copy of the club database, changed by `instructions` (each committed alone).
    QString base(const QString& nom, const QStringList& instructions = {})
    {
        const QString chemin = d(nom);
        QFile::remove(chemin);
        if (!QFile::copy(qEnvironmentVariable("MSP_TESTDB"), chemin))
            qFatal("cannot copy the test database");
        QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner);
        fb::Database db;
        db.setLibraryName(kBibliotheque);
        db.setDatabaseName(chemin);
        db.setParams(parametresConnexion());
        db.open();
        {
            fb::Transaction tr(db);
            tr.start();
            fb::Query q(db, tr);
            q.setSql(QLatin1String(cas::kSqlDebutCas));
            q.execute();
            m_debutCas = q.asDate(0);
        }
        for (const QString& sql : cas::sansActivite(m_debutCas) + instructions) {
            fb::Transaction tr(db);
            tr.start();
            tr.executeImmediate(sql);
            tr.commit();
        }
        db.close();   // the program opens it with the embedded engine of its own process
        return chemin;
    }

    using Resultat = ProgrammeEssai::Resultat;

    Resultat lancer(const QString& fichier) { return m_programme.lancer({QStringLiteral("--doublons"), fichier}); }

    static QString decrire(const Resultat& r) { return QString::number(r.code) + u'\n' + r.sortie + r.erreurs; }

    // Only FILE (or nothing) in its folder: no temporary file of the save is left behind.
    static QStringList fichiersDe(const QString& dossier)
    {
        return QDir(dossier).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_programme.dossier.isValid());
        QDir().mkpath(d(QStringLiteral("temp")));
        configurer(base(QStringLiteral("club.fdb")));
    }

    void fichierEcrit()
    {
        const QString fichier = d(QStringLiteral("sortie/doublons.csv"));
        QDir().mkpath(d(QStringLiteral("sortie")));
        ecrire(fichier, "ancien contenu\n");   // replaced as a whole
        const Resultat r = lancer(fichier);
        QVERIFY2(r.code == 0, qPrintable(decrire(r)));
        const QByteArray octets = lire(fichier);
        const QString texte = QString::fromUtf8(octets);
        QCOMPARE(texte.toUtf8(), octets);   // valid UTF-8
        QStringList lignes = texte.split(QStringLiteral("\r\n"));
        QCOMPARE(lignes.takeLast(), QString());
        QCOMPARE(lignes.takeFirst(), QStringLiteral("NUMERO_CLIENT;NOM_CLIENT;PRENOM_CLIENT;ACCES;FIN_ECHEANCE_PRECEDENTE;"
                                                    "ECHEANCE_PROCHAINE;ECHEANCE_DERNIERE"));
        QCOMPARE(r.sortie, QStringLiteral("Echéances dont les dates se chevauchent :%1\n").arg(lignes.size()));

        // Each case's rows, as the page lists them; quoting where a field holds ";" or '"'.
        const QStringList noms{"Chevauchement;Même jour", "\"Chevauchement \"\"sans fin\"\"\";Sans fin",
                               "Chevauchement;An 2000", "Chevauchement;\"Deux; articles\"",
                               "Chevauchement;Sans activité", "Chevauchement;Non examinée",
                               "Chevauchement;Toutes échéances"};
        const QList<cas::Attendu> attendus = cas::attendus(m_debutCas);
        for (qsizetype k = 0; k < attendus.size(); ++k) {
            QStringList obtenues;
            const QString prefixe = QString::number(attendus.at(k).client) + u';' + noms.at(k) + u';';
            for (const QString& l : std::as_const(lignes))
                if (l.startsWith(prefixe))
                    obtenues << l.mid(prefixe.size()).replace(u';', u'|');
            obtenues.sort();
            QCOMPARE(obtenues, attendus.at(k).lignes);
        }
        QCOMPARE(fichiersDe(d(QStringLiteral("sortie"))), QStringList{"doublons.csv"});
    }

    void echecs_data()
    {
        QTest::addColumn<QStringList>("instructions");   // on a fresh copy; empty: no database at all
        QTest::addColumn<QString>("fichier");            // relative to the test folder
        QTest::addColumn<QByteArray>("avant");           // FILE before the run ("-": absent)
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("apres");           // FILE after the run ("-": absent)
        QTest::addColumn<QString>("message");            // on standard error

        const QStringList refus = cas::refusDefinitions();
        const QStringList inchangee{QString()};   // the configured copy, as it is
        QTest::newRow("folder of FILE is a file")
            << inchangee << "club.fdb/doublons.csv" << QByteArray("-") << 1 << QByteArray("-") << "club.fdb/doublons.csv";
        QTest::newRow("no connection") << QStringList{} << "e2/doublons.csv" << QByteArray("-") << 2 << QByteArray("-")
                                       << "";
        QTest::newRow("no connection, FILE kept")
            << QStringList{} << "e2b/doublons.csv" << QByteArray("ancien") << 2 << QByteArray("ancien") << "";
        QTest::newRow("creation refused, older procedure read")
            << (QStringList{cas::procedureAncienne()} + refus) << "e3/doublons.csv" << QByteArray("-") << 3
            << QByteArray("NUMERO_CLIENT;NOM_CLIENT;PRENOM_CLIENT;ACCES;FIN_ECHEANCE_PRECEDENTE;ECHEANCE_PROCHAINE;"
                          "ECHEANCE_DERNIERE\r\n-7;Ancienne;;;;2001-02-03;\r\n")
            << "Définitions refusées";
        QTest::newRow("creation refused, no procedure")
            << refus << "e4/doublons.csv" << QByteArray("-") << 3 << QByteArray("-") << "ECHEANCES_DOUBLONS";
        QTest::newRow("rows fail after two, FILE kept")
            << (QStringList{cas::procedureAncienne(true)} + refus) << "e5/doublons.csv" << QByteArray("ancien") << 3
            << QByteArray("ancien") << "n'ont pas pu être lues";
    }

    void echecs()
    {
        QFETCH(QStringList, instructions);
        QFETCH(QString, fichier);
        QFETCH(QByteArray, avant);
        QFETCH(int, code);
        QFETCH(QByteArray, apres);
        QFETCH(QString, message);
        if (instructions.isEmpty())
            configurer(d(QStringLiteral("nulle-part.fdb")));
        else if (instructions != QStringList{QString()})
            configurer(base(QStringLiteral("modifiee.fdb"), instructions));
        const QString chemin = d(fichier);
        const QString dossier = QFileInfo(chemin).absolutePath();
        if (avant != "-")
            ecrire(chemin, avant);
        else if (!QFileInfo(dossier).isFile())
            QDir().mkpath(dossier);
        const Resultat r = lancer(chemin);
        configurer(d(QStringLiteral("club.fdb")));
        QVERIFY2(r.code == code, qPrintable(decrire(r)));
        QVERIFY2(r.erreurs.contains(message), qPrintable(r.erreurs));
        if (apres == "-")
            QVERIFY(!QFileInfo(chemin).exists());
        else
            QCOMPARE(lire(chemin), apres);
        if (QFileInfo(dossier).isDir())
            QVERIFY2(fichiersDe(dossier).size() == (apres == "-" ? 0 : 1), qPrintable(fichiersDe(dossier).join(u' ')));
        if (apres.startsWith("NUMERO_CLIENT"))
            QCOMPARE(r.sortie, QStringLiteral("Echéances dont les dates se chevauchent :1\n"));
        else
            QVERIFY2(r.sortie.isEmpty(), qPrintable(r.sortie));
    }
};

QTEST_GUILESS_MAIN(TestCommandeDoublons)
#include "tst_commande.moc"
