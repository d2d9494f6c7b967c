// The pages saved as a job and opened again, on the club test database: the keys written, and
// the pages that "--batch" (fresh pages) and "Ouvrir un lot" (pages in use) get back.
#include "common/SessionEssai.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/EcritureLot.h"
#include "common/RecordingOperator.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>
#include <functional>

namespace {

struct Pages
{
    Pages(Session& s) : options(s, op), selection(s, options, op) { selection.etatDemarrage(); }
    RecordingOperator op;
    ControleurOptions options;
    ControleurSelection selection;
};
using Preparation = std::function<void(Pages&, const QString& dossier)>;

// Everything the run reads from the pages.
QStringList etat(const Pages& p)
{
    const ValeursOptions v = p.options.valeurs();
    QStringList e{QString::number(p.selection.source()), p.selection.nomFichier(),
                  QString::number(p.selection.multiCentre()), p.selection.lblCompteTemp(),
                  QString::number(v.cochees), v.Memo1, v.mmoSolde, QString::number(v.rgChoix2),
                  QString::number(v.typeMessage), v.edtMontant3.texte(), v.edtMontant4.texte(), v.edtValeur1.texte()};
    for (const QString& nom : ControleurOptions::champsDate())
        e << p.options.date(nom).toString(Qt::ISODate);
    for (const auto& id : {v.cbModes, v.cbModes2, v.cbModes4, v.cbArticle ? std::optional(v.cbArticle->Id) : std::nullopt,
                           v.cbArticle2 ? std::optional(v.cbArticle2->Id) : std::nullopt})
        e << (id ? QString::number(*id) : QStringLiteral("-"));
    return e;
}

} // namespace

Q_DECLARE_METATYPE(Preparation)

class TestEcritureLot : public QObject
{
    Q_OBJECT
    QSet<QString> m_ecrites;

private Q_SLOTS:
    void cleanupTestCase() { fb::Client::arreter(); }
    void allerRetour_data();
    void allerRetour();
    void toutesLesCles();
};

void TestEcritureLot::allerRetour_data()
{
    QTest::addColumn<Preparation>("preparation");
    QTest::addColumn<QStringList>("cles");     // exactly the keys written, in this order
    QTest::addColumn<QStringList>("lignes");   // some of them, whole
    const QDate jour = QDate::currentDate();
    const QDate dans = QDate(jour.year(), jour.month(), 1).addMonths(2);

    QTest::newRow("CSV below the job, texts, cancellation, balance")
        << Preparation([dans](Pages& p, const QString& d) {
               QFile csv(d + "/clients.csv");
               QVERIFY(csv.open(QIODevice::WriteOnly));
               p.selection.setMultiCentre(true);
               p.selection.setNomFichier(csv.fileName());
               p.selection.appliquerSource(ControleurSelection::FichierCsv);
               p.options.setCoche(CaseOption::cbMsg, true);
               p.options.setTexte("Memo1", "Ligne 1\nC:\\dossier\\n");
               p.options.setCoche(CaseOption::cbAnnulation, true);
               p.options.setChoix("cbModes2", p.options.elements("cbModes2").size() - 1);
               p.options.setDate("edtDateAnnul", dans);
               p.options.setCoche(CaseOption::cbSolde, true);
               p.options.setChoix("cbArticle2", 0);
               p.options.setTexte("mmoSolde", "Solde %SOLDE");
               p.options.setTypeMessage(2);
           })
        << QStringList{"rgSource", "JvFilenameEdit1", "cbxMultiCentre", "cbMsg", "cbAnnulation", "cbSolde", "Memo1",
                       "mmoSolde", "edtDateAnnul", "cbModes2", "cbArticle2", "MessageType"}
        << QStringList{"rgSource=0", "JvFilenameEdit1=clients.csv", "Memo1=Ligne 1\\nC:\\\\dossier\\\\n",
                       "edtDateAnnul=" + dans.toString(Qt::ISODate), "MessageType=2"};
    QTest::newRow("active clients, postponement, new entry on today")
        << Preparation([dans, jour](Pages& p, const QString&) {
               p.options.setCoche(CaseOption::cbIncPrel, true);
               p.options.setDate("edtDateInc", dans);
               p.options.setDate("edtDate2Inc", dans.addDays(9));
               p.options.setCoche(CaseOption::cbCreate, true);
               p.options.setChoix("cbArticle", 1);
               p.options.setDate("edtDateEch", jour);   // the start value, which cbCreate replaces
           })
        << QStringList{"rgSource", "cbIncPrel", "cbCreate", "edtDateInc", "edtDate2Inc", "edtDateEch", "cbModes", "cbArticle"}
        << QStringList{"rgSource=2", "edtDateEch=" + jour.toString(Qt::ISODate)};
    QTest::newRow("work table, amounts, CSV outside the job's folder")
        << Preparation([](Pages& p, const QString& d) {
               p.selection.setNomFichier(QFileInfo(d).path() + "/ailleurs.csv");
               p.selection.appliquerSource(ControleurSelection::TableTemporaire);
               p.options.setCoche(CaseOption::cbModifMontant2, true);
               p.options.setDate("edtDateEch1", QDate(2030, 1, 1));
               p.options.setDate("edtDateEch2", QDate(2030, 1, 31));
               p.options.setMontant("edtMontant3", {-50, -2});
               p.options.setMontant("edtMontant4", {12345678901, -2});
               p.options.setRgChoix2(1);
               p.options.setMontant("edtValeur1", {10000, -2});   // the start value, which rgChoix2 replaces
           })
        << QStringList{"rgSource", "JvFilenameEdit1", "cbModifMontant2", "edtDateEch1", "edtDateEch2", "edtMontant3",
                       "edtMontant4", "edtValeur1", "rgChoix2", "cbModes4"}
        << QStringList{"rgSource=1", "edtMontant3=-0.50", "edtMontant4=123456789.01", "edtValeur1=100.00", "rgChoix2=1"};
    QTest::newRow("the other amount box")
        << Preparation([](Pages& p, const QString&) { p.options.setCoche(CaseOption::cbModifMontant, true); })
        << QStringList{"rgSource", "cbModifMontant", "cbModes4"} << QStringList{"cbModifMontant=1"};
}

void TestEcritureLot::allerRetour()
{
    QFETCH(Preparation, preparation);
    QFETCH(QStringList, cles);
    QFETCH(QStringList, lignes);
    SessionEssai e;
    Pages pages(e.session);
    const QString dossier = e.dossier.filePath("lots");
    QVERIFY(QDir().mkpath(dossier));
    preparation(pages, dossier);
    const QStringList attendu = etat(pages);
    const QString job = dossier + "/job.ini";
    ecriture_lot::EnregistrerLot(pages.selection, pages.options, job, 1001, QDateTime(QDate(2026, 3, 14), QTime(15, 9)));

    QFile f(job);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList texte = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(texte.value(0), QStringLiteral("; Lot enregistré le 2026-03-14 15:09, centre 1001"));
    QStringList ecrites;
    for (const QString& l : texte)
        if (l.contains('='))
            ecrites << l.section('=', 0, 0);
    QCOMPARE(ecrites, cles);
    for (const QString& l : lignes)
        QVERIFY2(texte.contains(l), qPrintable(l));
    for (const QString& c : cles)
        m_ecrites.insert(c);

    // As "--batch" applies it, to pages just started.
    Pages neuves(e.session);
    FichierLot::lire(job).appliquer(neuves.selection, neuves.options);
    QCOMPARE(etat(neuves), attendu);
    // Opened into pages in use, whatever they hold.
    pages.options.setCoche(CaseOption::cbMsg, !pages.options.coche(CaseOption::cbMsg));
    pages.options.setTexte("mmoSolde", "autre");
    pages.selection.setMultiCentre(!pages.selection.multiCentre());
    ecriture_lot::OuvrirLot(pages.selection, pages.options, job);
    QCOMPARE(etat(pages), attendu);
    QVERIFY(pages.op.textes("erreur").isEmpty() && neuves.op.textes("erreur").isEmpty());
}

void TestEcritureLot::toutesLesCles()
{
    QSet<QString> format;
    for (const FichierLot::Cle& c : FichierLot::cles())
        format.insert(c.nom);
    QCOMPARE(m_ecrites, format);
}

QTEST_GUILESS_MAIN(TestEcritureLot)
#include "tst_ecriturelot.moc"
