// The selection and options pages on the club test database: what the operator sees after
// each action, the controls mirroring their controllers.
#include "common/SessionEssai.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/widgets/EditeurMontant.h"
#include "batch/widgets/PageOptions.h"
#include "batch/widgets/PageSelection.h"
#include "common/RecordingOperator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>

namespace {

// The two pages as the window holds them, with their controllers on one session.
struct Fenetre
{
    Fenetre()
    {
        fenetre.resize(493, 608);
        tsLoadData = new QWidget(&fenetre);
        tsLoadData->setObjectName("tsLoadData");
        tsLoadData->setGeometry(0, 0, 493, 608);
        tsOption = new QWidget(&fenetre);
        tsOption->setObjectName("tsOption");
        tsOption->setGeometry(0, 0, 493, 608);
        pageSelection = std::make_unique<PageSelection>(tsLoadData, selection, op);
        pageOptions = std::make_unique<PageOptions>(tsOption, options);
        fenetre.show();
        QObject::connect(&e.session, &Session::titreChange, &fenetre, &QWidget::setWindowTitle);
    }

    template <typename T>
    T* controle(const QString& nom) const
    {
        T* c = fenetre.findChild<T*>(nom);
        if (!c)
            qFatal("no control %s", qPrintable(nom));
        return c;
    }
    QRadioButton* source(int i) const { return controle<QRadioButton>(QString("rgSource_%1").arg(i)); }

    SessionEssai e;
    RecordingOperator op;
    ControleurOptions options{e.session, op};
    ControleurSelection selection{e.session, options, op};
    QWidget fenetre;
    QWidget* tsLoadData = nullptr;
    QWidget* tsOption = nullptr;
    std::unique_ptr<PageSelection> pageSelection;
    std::unique_ptr<PageOptions> pageOptions;
};

// Shown as far as the page is concerned: the page itself may be the one not on display.
bool visible(QWidget* w)
{
    QWidget* page = w;
    while (page->parentWidget() && page->objectName() != "tsLoadData" && page->objectName() != "tsOption")
        page = page->parentWidget();
    return w->isVisibleTo(page);
}

// A click where the button's indicator is: a radio button answers only on its indicator and text.
void cliquer(QWidget* bouton)
{
    QTest::mouseClick(bouton, Qt::LeftButton, {}, QPoint(5, bouton->height() / 2));
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    void etatDeDepart();
    void demarrage();
    void sources_data();
    void sources();
    void multiCentre();
    void dateEcheance();
    void exclusions();
    void choix2();
    void menuTypeMessage();
    void pasDeConfiguration();
    void listeEtIdsApresAjout();
    void panneauxCouleurPage();
};

void TestPages::etatDeDepart()
{
    Fenetre f;
    QVERIFY(f.source(2)->isChecked());
    QCOMPARE(f.controle<QGroupBox>("rgSource")->title(), QStringLiteral("Fiches à traiter"));
    QVERIFY(f.controle<QLabel>("lblCompteTemp")->text().isEmpty());
    QVERIFY(!visible(f.controle<QLabel>("Label1")));
    QVERIFY(!visible(f.controle<QWidget>("JvFilenameEdit1")));
    auto* multi = f.controle<QCheckBox>("cbxMultiCentre");
    QVERIFY(!multi->isChecked());
    QCOMPARE(multi->toolTip(), QStringLiteral("Traite les fiches de tous les centres de la base"));
    QCOMPARE(f.selection.NbClients, 0);

    struct Attendu
    {
        const char* nom;
        bool visible;
    };
    for (const Attendu& a : {Attendu{"cbMsg", true}, {"Memo1", true}, {"cbIncPrel", true}, {"edtDateInc", false},
                             {"edtDate2Inc", false}, {"Label2", false}, {"cbCreate", true}, {"pnlEcheance", false},
                             {"cbAnnulation", true}, {"pnlAnnulation", false}, {"cbModifMontant", true},
                             {"cbModifMontant2", true}, {"pnlMontant2", false}, {"pnlRazSolde", true},
                             {"cbSolde", true}, {"lblArticle", false}, {"cbArticle2", false}, {"mmoSolde", false},
                             {"JvArrowButton1", true}})
        QVERIFY2(visible(f.controle<QWidget>(a.nom)) == a.visible, a.nom);
    for (const char* nom : {"cbMsg", "cbIncPrel", "cbCreate", "cbAnnulation", "cbModifMontant", "cbModifMontant2", "cbSolde"})
        QVERIFY2(!f.controle<QCheckBox>(nom)->isChecked(), nom);
    QCOMPARE(f.controle<QPlainTextEdit>("Memo1")->toPlainText(), QStringLiteral("Report 1 mois Covid-19."));
    QCOMPARE(f.controle<QPlainTextEdit>("mmoSolde")->toPlainText(),
             QStringLiteral("Le client était débiteur de %SOLDE €"));
    QCOMPARE(f.controle<TEditeurMontant>("edtMontant3")->text(), QStringLiteral("0,01"));
    QCOMPARE(f.controle<TEditeurMontant>("edtMontant4")->text(), QStringLiteral("39,95"));
    QCOMPARE(f.controle<TEditeurMontant>("edtValeur1")->text(), QStringLiteral("100"));
    QCOMPARE(f.controle<QLabel>("Label27")->text(), QStringLiteral("Pourcentage"));
    QVERIFY(f.controle<QRadioButton>("rgChoix2_0")->isChecked());
    QCOMPARE(f.controle<QDateEdit>("edtDateAnnul")->date(), QDate::currentDate());
    QCOMPARE(f.controle<QDateEdit>("edtDateInc")->date().day(), 1);
    QCOMPARE(f.controle<QDateEdit>("edtDateInc")->minimumDate(),
             QDate(QDate::currentDate().year(), QDate::currentDate().month(), 1).addMonths(-12));
    QVERIFY(f.controle<QAction>("Alerte1")->isChecked());
    QCOMPARE(f.controle<QWidget>("JvArrowButton1")->property("text").toString(), QStringLiteral("A"));
}

void TestPages::demarrage()
{
    Fenetre f;
    f.selection.etatDemarrage();
    const qint64 attendu = f.e.entier(
        "SELECT COUNT(DISTINCT A.ACT_IDCLI) FROM CLIENTS_ACTIVITE A JOIN CLIENTS C ON C.CLI_ID = A.ACT_IDCLI "
        "WHERE C.CLI_CENTRE = 1001 AND A.ACT_ARCHIVE_DATE IS NULL AND (A.ACT_FIN IS NULL OR A.ACT_FIN >= CURRENT_DATE) "
        "AND EXISTS (SELECT 1 FROM ECHEANCIER E JOIN MODE_PAIEMENT M ON M.MOD_ID = E.ECHE_IDMOD "
        "WHERE E.ECHE_IDACT = A.ACT_ID AND M.MOD_TYPE = 4)");
    QCOMPARE(f.controle<QLabel>("lblCompteTemp")->text(), QString::number(attendu) + " clients actifs.");
    QCOMPARE(f.selection.NbClients, attendu);
    QVERIFY(!visible(f.controle<QWidget>("cbAnnulation")));
    QVERIFY(!visible(f.controle<QWidget>("pnlRazSolde")));
    QVERIFY(f.source(2)->isChecked());
}

void TestPages::sources_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("annulation");
    QTest::addColumn<bool>("razSolde");
    QTest::newRow("CSV file") << 0 << true << true;
    QTest::newRow("pre-filled table") << 1 << true << false;
    QTest::newRow("active clients") << 2 << false << false;
}

void TestPages::sources()
{
    QFETCH(int, source);
    QFETCH(bool, annulation);
    QFETCH(bool, razSolde);
    Fenetre f;
    f.selection.etatDemarrage();
    cliquer(f.source(0));
    QVERIFY(visible(f.controle<QWidget>("JvFilenameEdit1")));
    auto* cbAnnulation = f.controle<QCheckBox>("cbAnnulation");
    auto* cbSolde = f.controle<QCheckBox>("cbSolde");
    cbAnnulation->click();
    cbSolde->click();
    QVERIFY(cbAnnulation->isChecked() && cbSolde->isChecked());
    QVERIFY(visible(f.controle<QWidget>("pnlAnnulation")));
    QVERIFY(visible(f.controle<QWidget>("mmoSolde")));

    cliquer(f.source(source));
    QCOMPARE(visible(cbAnnulation), annulation);
    QCOMPARE(cbAnnulation->isChecked(), annulation);
    QCOMPARE(visible(f.controle<QWidget>("pnlAnnulation")), annulation);
    QCOMPARE(visible(f.controle<QWidget>("pnlRazSolde")), razSolde);
    QCOMPARE(cbSolde->isChecked(), razSolde);
    QCOMPARE(f.options.valeurs().coche(CaseOption::cbSolde), razSolde);
    QCOMPARE(visible(f.controle<QWidget>("Label1")), source == 0);
    QCOMPARE(visible(f.controle<QWidget>("JvFilenameEdit1")), source == 0);
    QCOMPARE(f.controle<QLabel>("lblCompteTemp")->text().isEmpty(), source == 0);
    QVERIFY(f.op.messages.isEmpty());
}

void TestPages::multiCentre()
{
    Fenetre f;
    f.selection.etatDemarrage();
    const QString compte = f.controle<QLabel>("lblCompteTemp")->text();
    auto* box = f.controle<QCheckBox>("cbxMultiCentre");
    cliquer(box);
    QVERIFY(box->isChecked());
    QCOMPARE(f.fenetre.windowTitle(), QStringLiteral("Module spécial [-1 - 10.0.0.7 - Club Essai]"));
    QCOMPARE(box->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(f.controle<QLabel>("lblCompteTemp")->text(), compte);

    cliquer(box);
    QCOMPARE(f.fenetre.windowTitle(), QStringLiteral("Module spécial [1001 - 10.0.0.7 - Club Essai]"));
    QCOMPARE(box->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

void TestPages::dateEcheance()
{
    Fenetre f;
    f.controle<QCheckBox>("cbCreate")->click();
    QVERIFY(f.op.messages.isEmpty());
    const QDate jour = QDate::currentDate();
    auto* edt = f.controle<QDateEdit>("edtDateEch");
    QCOMPARE(edt->date(), QDate(jour.year(), jour.month(), 1).addMonths(1).addDays(4));
    QCOMPARE(edt->minimumDate(), jour);
    edt->setDate(jour.addDays(-3));   // the editor keeps to its minimum
    QCOMPARE(f.options.date("edtDateEch"), jour);
    QVERIFY(visible(f.controle<QWidget>("pnlEcheance")));
    QCOMPARE(f.controle<QLabel>("lblMontant")->text(), QStringLiteral("39,95€"));
    auto* cbArticle = f.controle<QComboBox>("cbArticle");
    QVERIFY(!cbArticle->isEditable());
    QCOMPARE(cbArticle->count(), f.options.ListeArticles().size());
    cbArticle->setCurrentIndex(cbArticle->findText("Cours collectif"));
    QCOMPARE(f.controle<QLabel>("lblMontant")->text(), QStringLiteral("12,50€"));
    QCOMPARE(f.options.valeurs().cbArticle->Id, 203);
}

void TestPages::exclusions()
{
    Fenetre f;
    auto* cbIncPrel = f.controle<QCheckBox>("cbIncPrel");
    auto* cbModifMontant = f.controle<QCheckBox>("cbModifMontant");
    auto* cbModifMontant2 = f.controle<QCheckBox>("cbModifMontant2");
    cbIncPrel->click();
    cbModifMontant->click();
    QVERIFY(visible(f.controle<QWidget>("edtDateInc")));
    QVERIFY(visible(f.controle<QWidget>("pnlMontant2")));
    cbModifMontant2->click();
    QVERIFY(cbModifMontant2->isChecked());
    QVERIFY(!cbModifMontant->isChecked());
    QVERIFY(!cbIncPrel->isChecked());
    for (const char* nom : {"Label2", "edtDateInc", "Label15", "edtDate2Inc"})
        QVERIFY2(!visible(f.controle<QWidget>(nom)), nom);
    QVERIFY(visible(f.controle<QWidget>("pnlMontant2")));
    auto* cbModes4 = f.controle<QComboBox>("cbModes4");
    QCOMPARE(cbModes4->count(), f.options.ListeModes4().size());
    QCOMPARE(cbModes4->currentIndex(), 0);
}

void TestPages::choix2()
{
    Fenetre f;
    auto* edt = f.controle<TEditeurMontant>("edtValeur1");
    auto* pourcent = f.controle<QRadioButton>("rgChoix2_0");
    auto* fixe = f.controle<QRadioButton>("rgChoix2_1");
    for (int tour = 0; tour < 2; ++tour) {
        edt->setValue(12.5);
        QCOMPARE(edt->text(), QStringLiteral("12,5"));
        cliquer(fixe);
        QCOMPARE(edt->text(), QStringLiteral("0,00"));
        QCOMPARE(f.controle<QLabel>("Label27")->text(), QStringLiteral("Modifier de "));
        edt->setValue(1234.5);
        QCOMPARE(edt->text(), QStringLiteral("1 234,50").replace(' ', QLocale().groupSeparator()));
        QCOMPARE(f.options.montant("edtValeur1"), (fb::Decimal{123450, -2}));
        cliquer(pourcent);
        QCOMPARE(edt->text(), QStringLiteral("100"));
        QCOMPARE(f.controle<QLabel>("Label27")->text(), QStringLiteral("Pourcentage"));
    }
}

void TestPages::menuTypeMessage()
{
    Fenetre f;
    auto* menu = f.controle<QMenu>("PopupMenu1");
    auto* alerte = f.controle<QAction>("Alerte1");
    auto* message = f.controle<QAction>("Message1");
    auto* remarque = f.controle<QAction>("Remarque1");
    message->trigger();
    QCOMPARE(f.options.typeMessage(), 2);
    QVERIFY(message->isChecked() && !alerte->isChecked() && !remarque->isChecked());
    remarque->trigger();
    QCOMPARE(f.options.typeMessage(), 0);
    QVERIFY(remarque->isChecked() && !alerte->isChecked() && !message->isChecked());
    remarque->trigger();   // choosing the type in force keeps its mark
    QVERIFY(remarque->isChecked());
    QCOMPARE(f.options.typeMessage(), 0);
    QCOMPARE(menu->actions().size(), 3);
    QCOMPARE(f.controle<QWidget>("JvArrowButton1")->property("text").toString(), QStringLiteral("A"));
}

void TestPages::pasDeConfiguration()
{
    Fenetre f;
    f.e.executer({"UPDATE MODE_PAIEMENT SET MOD_TYPE = 1 WHERE MOD_TYPE = 4"});
    auto* cbCreate = f.controle<QCheckBox>("cbCreate");
    cbCreate->click();
    QCOMPARE(f.op.textes("avertissement"), QStringList{"Pas de configuration trouvée"});
    QVERIFY(!cbCreate->isChecked());
    QVERIFY(!visible(f.controle<QWidget>("pnlEcheance")));
}

void TestPages::listeEtIdsApresAjout()
{
    Fenetre f;
    auto* cbAnnulation = f.controle<QCheckBox>("cbAnnulation");
    auto* cbModes2 = f.controle<QComboBox>("cbModes2");
    cbAnnulation->click();
    const int avant = cbModes2->count();
    cbAnnulation->click();
    f.e.executer({"INSERT INTO MODE_PAIEMENT (MOD_ID, MOD_LIBELLE, MOD_TYPE, MOD_NE_PAS_UTILISER) "
                  "VALUES (91, 'Prélèvement A essai', 4, 0)"});
    cbAnnulation->click();
    QCOMPARE(cbModes2->count(), avant + 1);
    const QList<qint64> ids = f.options.ListeModes2();
    QCOMPARE(ids.size(), cbModes2->count());
    for (int i = 0; i < ids.size(); ++i)
        QCOMPARE(cbModes2->itemText(i),
                 f.e.colonne(QString("SELECT MOD_LIBELLE FROM MODE_PAIEMENT WHERE MOD_ID = %1").arg(ids[i])).value(0).toString());
    cbModes2->setCurrentIndex(cbModes2->findText("Prélèvement A essai"));
    QCOMPARE(f.options.valeurs().cbModes2, std::optional<qint64>(91));
}

void TestPages::panneauxCouleurPage()
{
    Fenetre f;
    for (const char* nom : {"pnlEcheance", "pnlAnnulation", "pnlMontant2", "pnlRazSolde"})
        QVERIFY2(!f.controle<QWidget>(nom)->autoFillBackground(), nom);
}

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
