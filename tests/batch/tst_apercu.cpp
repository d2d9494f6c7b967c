// The preview of a simulation's row changes: written by "--batch --simuler --apercu" on one
// copy of a database, it names exactly what the real run of the same job changes on another
// copy; and its window, offscreen.
#include "LotEssai.h"
#include "annulation/ModeleApercu.h"
#include "batch/FichierLot.h"
#include "batch/widgets/FenetreApercu.h"
#include "common/ProgrammeEssai.h"
#include "config/FichierSortie.h"
#include "kit/widgets/DBGridColor.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

using Changements = QMap<QString, QString>;   // "table;cle;colonne" to "avant;apres"

// Every row of every table the capture reads, as texts by table, key and column.
QMap<QString, QString> lireBase(Lot& l)
{
    QMap<QString, QString> cellules;
    fb::Database& base = l.essai.session.dbZelto;
    fb::Transaction tr(base);
    tr.start();
    StructuresTables structures(base, tr);
    for (const QVariant& t : l.essai.colonne(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS "
                                                           "WHERE RDB$SYSTEM_FLAG = 0 AND RDB$VIEW_BLR IS NULL"))) {
        const StructureTable& s = structures.structure(t.toString());
        if (TableHorsJournal(s.nom))
            continue;
        fb::Query q(base, tr);
        q.setSql(QStringLiteral("SELECT RDB$DB_KEY, %1 FROM %2").arg(s.colonnes.join(u','), IdentifiantSql(s.nom)));
        for (q.execute(); !q.eof(); q.next()) {
            LigneChangee r{LigneChangee::Nature::Ajout, &s, {}, {}, q.asExactBytes(0)};
            for (int i = 0; i < s.colonnes.size(); ++i)
                r.apres << Cellule::lire(q, i + 1);
            for (int i = 0; i < s.colonnes.size(); ++i)
                if (!r.apres.at(i).nul)
                    cellules.insert(s.nom + u';' + r.texteCle() + u';' + s.colonnes.at(i),
                                    ApercuChangements::TexteValeur(r.apres.at(i)));
        }
    }
    tr.commit();
    return cellules;
}

// The run's own time stamps differ from one run to the other.
QString masquer(QString v)
{
    static const QRegularExpression horodatage(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    return horodatage.match(v).hasMatch() && v.startsWith(QDate::currentDate().toString(Qt::ISODate)) ? QStringLiteral("(maintenant)") : v;
}

// The CSV's records; a quoted field may hold line breaks.
QList<QStringList> lireCsv(const QString& chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString t = QString::fromUtf8(f.readAll());
    QList<QStringList> lignes;
    qsizetype debut = 0;
    bool cite = false;
    for (qsizetype i = 0; i + 1 < t.size(); ++i) {
        if (t.at(i) == u'"')
            cite = !cite;
        else if (!cite && t.at(i) == u'\r' && t.at(i + 1) == u'\n') {
            lignes << texte::champsCsv(t.mid(debut, i - debut));
            debut = i + 2;
        }
    }
    return lignes;
}

const char* const kLot = "[Selection]\nrgSource=0\nJvFilenameEdit1=%1\n[Options]\n"
                         "cbModifMontant=1\ncbModes4=4\nrgChoix2=1\nedtValeur1=-5\n"
                         "cbIncPrel=1\nedtDateInc=%2\nedtDate2Inc=%3\n"
                         "cbMsg=1\nMemo1=Prélèvement « reporté »; voir l'accueil\n"
                         "cbCreate=1\ncbArticle=209\ncbModes=4\nedtDateEch=%4\n"
                         "cbAnnulation=1\ncbModes2=4\nedtDateAnnul=%5\n"
                         "cbSolde=1\ncbArticle2=205\nmmoSolde=Solde de %SOLDE € remis à zéro\nMessageType=2\n";

// The job of every operation on `clients`, in l's folder.
QString ecrireLot(Lot& l, const QList<qint64>& clients)
{
    l.sourceCsv(clients);
    const QDate m0 = premierDuMois();
    const QString chemin = l.essai.dossier.filePath(QStringLiteral("lot.ini"));
    ProgrammeEssai::ecrire(chemin, QString::fromUtf8(kLot)
                                       .arg(l.selection.nomFichier(), m0.toString(Qt::ISODate),
                                            m0.addMonths(1).addDays(-1).toString(Qt::ISODate),
                                            m0.addMonths(1).addDays(4).toString(Qt::ISODate),
                                            m0.addMonths(-1).addDays(4).toString(Qt::ISODate))
                                       .toUtf8());
    FichierLot::lire(chemin).appliquer(l.selection, l.options);
    l.op.reponseQuestion = true;
    return chemin;
}

QList<qint64> clients(Lot& l, const QString& condition)
{
    QList<qint64> r;
    for (const QVariant& v : l.essai.colonne(QStringLiteral("SELECT CLI_ID FROM CLIENTS WHERE ") + condition))
        r << v.toLongLong();
    return r;
}

} // namespace

class TestApercu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase() { fb::Client::arreter(); }

    void commeLeRunReel_data()
    {
        QTest::addColumn<QString>("clients");
        QTest::newRow("every client") << QStringLiteral("1 = 1");
        QTest::newRow("the first 40 and a fabricated one") << QStringLiteral("CLI_ID <= 40 OR CLI_ID = 900001");
    }

    // The same job: simulated by the program with --apercu on one copy, run for real on the other.
    void commeLeRunReel()
    {
        QFETCH(QString, clients);
        Lot simule;
        Lot reel;
        simule.essai.executer(clientFabrique());
        reel.essai.executer(clientFabrique());
        const QString lot = ecrireLot(simule, ::clients(simule, clients));
        ecrireLot(reel, ::clients(reel, clients));
        simule.essai.session.dbZelto.close();

        ProgrammeEssai programme;
        programme.configurer(simule.essai.chemin);
        const QString csv = programme.d(QStringLiteral("apercu.csv"));
        const ProgrammeEssai::Resultat p =
            programme.lancer({QStringLiteral("--batch"), lot, QStringLiteral("--yes"), QStringLiteral("--simuler"),
                              QStringLiteral("--apercu"), csv});
        QVERIFY2(p.code == 0 || p.code == 3, qPrintable(p.sortie + p.erreurs));
        QVERIFY2(p.sortie.contains(QStringLiteral("Aperçu des changements : ")), qPrintable(p.sortie));

        const QMap<QString, QString> avant = lireBase(reel);
        reel.traitement.setDossierAnnulation(reel.essai.dossier.filePath(QStringLiteral("annulation")));
        QCOMPARE(reel.traitement.btnTraiterClick().issue, Traitement::Issue::Termine);
        const QMap<QString, QString> apres = lireBase(reel);
        Changements attendus;
        QSet<QString> cellules(avant.keyBegin(), avant.keyEnd());
        cellules.unite(QSet<QString>(apres.keyBegin(), apres.keyEnd()));
        for (const QString& c : cellules)
            if (avant.value(c) != apres.value(c))
                attendus.insert(c, masquer(avant.value(c)) + u';' + masquer(apres.value(c)));

        // Operation after operation, a cell goes from its first "avant" to its last "apres".
        const QList<QStringList> lignes = lireCsv(csv);
        QVERIFY(!lignes.isEmpty());
        QCOMPARE(lignes.first(), ApercuChangements::Titres());
        QMap<QString, QStringList> vus;
        QStringList operations;
        for (const QStringList& l : lignes.mid(1)) {
            QCOMPARE(l.size(), int(ApercuChangements::NombreChamps));
            const QString cle = l.at(1) + u';' + l.at(2) + u';' + l.at(6);
            if (!vus.contains(cle))
                vus[cle] = QStringList{l.at(7), l.at(8)};
            vus[cle][1] = l.at(8);
            if (operations.value(operations.size() - 1) != l.at(0))
                operations << l.at(0);
            QVERIFY2(l.at(1) != QLatin1String("ECHEANCIER") || (!l.at(3).isEmpty() && !l.at(4).isEmpty()), qPrintable(l.join(u';')));
        }
        Changements preview;
        for (auto it = vus.cbegin(); it != vus.cend(); ++it)
            if (it->at(0) != it->at(1))
                preview.insert(it.key(), masquer(it->at(0)) + u';' + masquer(it->at(1)));
        QVERIFY(attendus.size() > 100);
        QCOMPARE(preview, attendus);
        QCOMPARE(operations.size(), QSet<QString>(operations.cbegin(), operations.cend()).size());   // run order
        QVERIFY(operations.size() >= 4);
    }

    // The window's grid: lazy, sorted by a title click, exported; offered by the summary box.
    void fenetre()
    {
        Lot l;
        ecrireLot(l, clients(l, QStringLiteral("1 = 1")));
        l.traitement.setApercuSimulation(true);
        const Traitement::Resultat s = l.traitement.simuler();
        QCOMPARE(s.issue, Traitement::Issue::Termine);
        QVERIFY(s.apercu && s.apercu->nombreLignes() > 4 * ModeleApercu::kParLot);
        QCOMPARE(l.traitement.dernierApercu(), s.apercu);

        QMessageBox boite;
        RecordingOperator op;
        ProposerApercu(boite, s.apercu, op);
        auto* voir = boite.findChild<QPushButton*>(QStringLiteral("btnVoirChangements"));
        QVERIFY(voir);
        voir->click();
        FenetreApercu* f = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            f = f ? f : qobject_cast<FenetreApercu*>(w);
        QVERIFY(f && f->isVisible());
        QAbstractItemModelTester testeur(f->modele(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(f->modele()->rowCount() >= ModeleApercu::kParLot && f->modele()->rowCount() < s.apercu->nombreLignes());
        QVERIFY(f->comptes()->text().contains(QStringLiteral("ECHEANCIER : ")));

        QHeaderView* titres = f->grille()->horizontalHeader();
        QTest::mouseClick(titres->viewport(), Qt::LeftButton, {},
                          QPoint(titres->sectionViewportPosition(ApercuChangements::Table) + 5, titres->height() / 2));
        QStringList tables;
        for (int r = 0; r < f->modele()->rowCount(); ++r)
            tables << f->modele()->index(r, ApercuChangements::Table).data().toString();
        QVERIFY(std::is_sorted(tables.cbegin(), tables.cend()) || std::is_sorted(tables.crbegin(), tables.crend()));

        f->choisirFichier = [&] { return l.essai.dossier.filePath(QStringLiteral("export.csv")); };
        f->exporter();
        QCOMPARE(lireCsv(l.essai.dossier.filePath(QStringLiteral("export.csv"))).size(), s.apercu->nombreLignes() + 1);
        f->choisirFichier = [&] { return l.essai.dossier.path(); };
        f->exporter();
        QVERIFY2(op.textes(QStringLiteral("erreur")).value(0).contains(QStringLiteral("c'est un dossier")),
                 qPrintable(op.textes(QStringLiteral("erreur")).join(u'\n')));
        f->close();
    }
};

QTEST_MAIN(TestApercu)
#include "tst_apercu.moc"
