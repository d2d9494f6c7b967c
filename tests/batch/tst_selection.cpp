// Client selection on the club test database: counts, loading of the work table, messages.
#include "common/SessionEssai.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "common/RecordingOperator.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

namespace {

// Clients with an active activity on a direct-debit schedule, written apart from the page's query.
QString sqlActifs(const QString& filtreCentre)
{
    return QStringLiteral(
               "SELECT COUNT(*) FROM CLIENTS C WHERE %1 EXISTS (SELECT 1 FROM CLIENTS_ACTIVITE A "
               "JOIN ECHEANCIER E ON E.ECHE_IDACT = A.ACT_ID JOIN MODE_PAIEMENT M ON M.MOD_ID = E.ECHE_IDMOD "
               "WHERE A.ACT_IDCLI = C.CLI_ID AND M.MOD_TYPE = 4 AND A.ACT_ARCHIVE_DATE IS NULL "
               "AND (A.ACT_FIN IS NULL OR A.ACT_FIN >= CURRENT_DATE))")
        .arg(filtreCentre);
}

// Writes a CSV file of the given bytes into the test's folder; returns its path, empty on failure.
QString ecrireCsv(const QTemporaryDir& dossier, const QByteArray& contenu, const QString& nom = QStringLiteral("clients.csv"))
{
    const QString chemin = dossier.filePath(nom);
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write(contenu) != contenu.size())
        return {};
    return chemin;
}

QList<qint64> entiers(const QList<QVariant>& valeurs)
{
    QList<qint64> r;
    for (const QVariant& v : valeurs)
        r << v.toLongLong();
    std::sort(r.begin(), r.end());
    return r;
}

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void comptes_data();
    void comptes();
    void chargementCsv_data();
    void chargementCsv();
    void insertionRefusee();
    void secondChargement();
    void arrets_data();
    void arrets();
    void chargementActifs_data();
    void chargementActifs();
    void multiCentre();
    void effetsSurOptions_data();
    void effetsSurOptions();
    void demarrageUneFois();
};

void TestSelection::comptes_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("multi");
    QTest::addColumn<QString>("sqlAttendu");
    QTest::addColumn<QString>("suffixe");
    QTest::newRow("active clients, centre") << 2 << false << sqlActifs("C.CLI_CENTRE = 1001 AND")
                                            << " clients actifs.";
    QTest::newRow("active clients, every centre") << 2 << true << sqlActifs("") << " clients actifs.";
    QTest::newRow("pre-filled table") << 1 << false
                                      << "SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010"
                                      << " lignes temp.";
    QTest::newRow("pre-filled table ignores multi centre")
        << 1 << true << "SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010" << " lignes temp.";
}

void TestSelection::comptes()
{
    QFETCH(int, source);
    QFETCH(bool, multi);
    QFETCH(QString, sqlAttendu);
    QFETCH(QString, suffixe);
    SessionEssai e;
    e.executer({"INSERT INTO T_CLIENTS_PRESENTS VALUES (1, 5, 10010, '')",
                "INSERT INTO T_CLIENTS_PRESENTS VALUES (2, 5, 10010, '')",
                "INSERT INTO T_CLIENTS_PRESENTS VALUES (3, 6, 10020, '')"});
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.setMultiCentre(multi);
    selection.appliquerSource(source);

    const qint64 attendu = e.entier(sqlAttendu);
    QVERIFY(attendu > 0);
    QCOMPARE(selection.NbClients, attendu);
    QCOMPARE(selection.lblCompteTemp(), QString::number(attendu) + suffixe);
    QVERIFY(!e.session.trZelto.isActive());   // counts roll back
    QVERIFY(op.messages.isEmpty());
}

void TestSelection::chargementCsv_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QList<qint64>>("clients");   // TCPR_IDCLI of the centre's rows, sorted

    QTest::newRow("three separators and quotes")
        << QByteArray("\"11\";\"Dupont\"\r\n12,Durand\r\n13;Martin\r\n14\tPetit\r\n")
        << QList<qint64>{11, 12, 13, 14};
    QTest::newRow("header, blanks, rejects")
        << QByteArray("Numero\r\n\r\n0\r\n-5\r\n12a\r\n15 ,x\r\n 16,y\r\n") << QList<qint64>{16};
    QTest::newRow("duplicates and leading zero")
        << QByteArray("123\n123\n0123\n") << QList<qint64>{123, 123};
    QTest::newRow("hexadecimal") << QByteArray("$7B\r0x7b\r$7b\r") << QList<qint64>{123, 123};
    QTest::newRow("BOM keeps the first number") << QByteArray("\xEF\xBB\xBF" "21\r\n22") << QList<qint64>{21, 22};
}

void TestSelection::chargementCsv()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QList<qint64>, clients);
    SessionEssai e;
    // An old row of this centre goes; other centres' rows stay.
    e.executer({"INSERT INTO T_CLIENTS_PRESENTS VALUES (-1, 499, 10010, 'ancien')",
                "INSERT INTO T_CLIENTS_PRESENTS VALUES (-2, 498, 10020, 'autre')",
                "INSERT INTO T_CLIENTS_PRESENTS VALUES (-3, 497, 10030, 'autre')"});
    const QString chemin = ecrireCsv(e.dossier, contenu);
    QVERIFY(!chemin.isEmpty());

    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.appliquerSource(ControleurSelection::FichierCsv);
    selection.setNomFichier(chemin);
    QSignalSpy reactive(&selection, &ControleurSelection::reactiverTraiter);

    QCOMPARE(selection.ChargerSelection(), ControleurSelection::Chargement::Pret);
    QCOMPARE(reactive.count(), 0);
    QVERIFY(op.messages.isEmpty());
    QCOMPARE(op.statuts, (QStringList{"Chargement fichier csv...", "Insertions dans la base..."}));
    QCOMPARE(selection.NbClients, clients.size());
    QVERIFY(!e.session.trZelto.isActive());
    QCOMPARE(entiers(e.colonne("SELECT TCPR_IDCLI FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010")), clients);
    QCOMPARE(e.colonne("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010 AND "
                       "(TCPR_NOM_PRENOM <> '' OR TCPR_ID IS NULL)").value(0).toLongLong(),
             0);
    QCOMPARE(entiers(e.colonne("SELECT TCPR_ID FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR <> 10010")),
             (QList<qint64>{-3, -2}));
}

void TestSelection::insertionRefusee()
{
    SessionEssai e;
    const QString chemin = ecrireCsv(e.dossier, "1\n9999\n2\n");   // 9999 is no client: the table refuses it
    QVERIFY(!chemin.isEmpty());
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.appliquerSource(ControleurSelection::FichierCsv);
    selection.setNomFichier(chemin);

    QCOMPARE(selection.ChargerSelection(), ControleurSelection::Chargement::Pret);
    QCOMPARE(selection.NbClients, 2);
    QVERIFY(op.messages.isEmpty());
    QCOMPARE(entiers(e.colonne("SELECT TCPR_IDCLI FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010")),
             (QList<qint64>{1, 2}));
}

void TestSelection::secondChargement()
{
    SessionEssai e;
    const QString chemin = ecrireCsv(e.dossier, "7\n8\n9\n");
    QVERIFY(!chemin.isEmpty());
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.appliquerSource(ControleurSelection::FichierCsv);
    selection.setNomFichier(chemin);
    QCOMPARE(selection.ChargerSelection(), ControleurSelection::Chargement::Pret);
    QCOMPARE(selection.ChargerSelection(), ControleurSelection::Chargement::Pret);
    QCOMPARE(selection.NbClients, 3);
    QCOMPARE(e.entier("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_IDCTR = 10010"), 3);
}

void TestSelection::arrets_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("fichier");   // "" none, "dossier" a folder, else written with the content
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << 0 << "absent.csv" << QByteArray() << "Fichier non trouvé";
    QTest::newRow("no name") << 0 << "" << QByteArray() << "Fichier non trouvé";
    QTest::newRow("a folder") << 0 << "dossier" << QByteArray()
                              << "« %1 » est un dossier, pas un fichier : choisissez le fichier CSV des numéros de clients.";
    QTest::newRow("only a header") << 0 << "entete.csv" << QByteArray("Numero\r\n") << "Aucun numéro de client trouvé";
    QTest::newRow("empty file") << 0 << "vide.csv" << QByteArray("") << "Aucun numéro de client trouvé";
    QTest::newRow("empty pre-filled table") << 1 << "" << QByteArray() << "Aucun client trouvé";
}

void TestSelection::arrets()
{
    QFETCH(int, source);
    QFETCH(QString, fichier);
    QFETCH(QByteArray, contenu);
    QFETCH(QString, message);
    SessionEssai e;
    e.executer({"INSERT INTO T_CLIENTS_PRESENTS VALUES (-2, 498, 10020, 'autre')"});
    QString chemin;
    if (fichier == QLatin1String("dossier")) {
        chemin = e.dossier.path();
    } else if (!fichier.isEmpty()) {
        chemin = contenu.isNull() ? e.dossier.filePath(fichier) : ecrireCsv(e.dossier, contenu, fichier);
        QVERIFY(!chemin.isEmpty());
    }
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.appliquerSource(source);
    selection.setNomFichier(chemin);
    QSignalSpy reactive(&selection, &ControleurSelection::reactiverTraiter);

    QCOMPARE(selection.ChargerSelection(), ControleurSelection::Chargement::Arrete);
    QCOMPARE(reactive.count(), 1);
    QCOMPARE(op.textes("avertissement"), QStringList{message.replace(QStringLiteral("%1"), QDir::toNativeSeparators(chemin))});
    QCOMPARE(op.messages.size(), 1);
    QCOMPARE(e.entier("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS"), 1);
}

void TestSelection::chargementActifs_data()
{
    QTest::addColumn<bool>("multi");
    QTest::newRow("centre") << false;
    QTest::newRow("every centre") << true;
}

void TestSelection::chargementActifs()
{
    QFETCH(bool, multi);
    SessionEssai e;
    e.executer({"INSERT INTO T_CLIENTS_PRESENTS VALUES (-2, 498, 10020, 'autre')"});
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.setMultiCentre(multi);
    selection.appliquerSource(ControleurSelection::ClientsActifs);
    const qint32 compte = selection.NbClients;
    QVERIFY(compte > 0);

    QCOMPARE(selection.ChargerSelection(), ControleurSelection::Chargement::Pret);
    QCOMPARE(selection.NbClients, compte);
    QVERIFY(!e.session.trZelto.isActive());
    // One row per activity-and-schedule pair, tagged with each client's own centre.
    QCOMPARE(e.entier("SELECT COUNT(DISTINCT TCPR_IDCLI) FROM T_CLIENTS_PRESENTS WHERE TCPR_ID >= 0"), compte);
    QCOMPARE(e.entier("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS T JOIN CLIENTS C ON C.CLI_ID = T.TCPR_IDCLI "
                      "WHERE T.TCPR_ID >= 0 AND (T.TCPR_IDCTR <> C.CLI_CENTRE * 10 OR T.TCPR_NOM_PRENOM IS DISTINCT FROM C.CLI_NOM)"),
             0);
    QCOMPARE(e.entier("SELECT COUNT(DISTINCT TCPR_IDCTR) FROM T_CLIENTS_PRESENTS WHERE TCPR_ID >= 0") > 1, multi);
    QCOMPARE(e.entier("SELECT COUNT(*) FROM T_CLIENTS_PRESENTS WHERE TCPR_ID = -2"), 1);
}

void TestSelection::multiCentre()
{
    SessionEssai e;
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.etatDemarrage();
    const QString compte = selection.lblCompteTemp();
    const qint32 nb = selection.NbClients;

    selection.setMultiCentre(true);
    QCOMPARE(e.session.titre(), QStringLiteral("Module spécial [-1 - 10.0.0.7 - Club Essai]"));
    QCOMPARE(selection.couleurMultiCentre(), 255u);
    QCOMPARE(selection.lblCompteTemp(), compte);
    QCOMPARE(selection.NbClients, nb);

    selection.setMultiCentre(false);
    QCOMPARE(e.session.titre(), QStringLiteral("Module spécial [1001 - 10.0.0.7 - Club Essai]"));
    QCOMPARE(selection.couleurMultiCentre(), 0u);
}

void TestSelection::effetsSurOptions_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("annulation");   // cbAnnulation shown (and kept ticked)
    QTest::addColumn<bool>("razSolde");     // pnlRazSolde shown (and cbSolde kept ticked)
    QTest::newRow("CSV file") << 0 << true << true;
    QTest::newRow("pre-filled table") << 1 << true << false;
    QTest::newRow("active clients") << 2 << false << false;
}

void TestSelection::effetsSurOptions()
{
    QFETCH(int, source);
    QFETCH(bool, annulation);
    QFETCH(bool, razSolde);
    SessionEssai e;
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    selection.appliquerSource(ControleurSelection::FichierCsv);
    QVERIFY(options.setCoche(CaseOption::cbAnnulation, true));
    QVERIFY(options.setCoche(CaseOption::cbSolde, true));
    QVERIFY(options.visible("pnlAnnulation"));
    QVERIFY(options.visible("mmoSolde"));

    selection.setSource(source);
    QCOMPARE(options.visible("cbAnnulation"), annulation);
    QCOMPARE(options.coche(CaseOption::cbAnnulation), annulation);
    QCOMPARE(options.visible("pnlAnnulation"), annulation);   // unticking hides its fields
    QCOMPARE(options.visible("pnlRazSolde"), razSolde);
    QCOMPARE(options.coche(CaseOption::cbSolde), razSolde);
    QCOMPARE(options.visible("mmoSolde"), razSolde);
    QCOMPARE(selection.fichierVisible(), source == 0);
    // A hidden box cannot be ticked, by the operator or by a job.
    QCOMPARE(options.setCoche(CaseOption::cbSolde, true), razSolde);
    QCOMPARE(options.setCoche(CaseOption::cbAnnulation, true), annulation);
    QVERIFY(op.messages.isEmpty());
}

void TestSelection::demarrageUneFois()
{
    SessionEssai e;
    RecordingOperator op;
    ControleurOptions options(e.session, op);
    ControleurSelection selection(e.session, options, op);
    QSignalSpy comptes(&selection, &ControleurSelection::compteChange);
    QCOMPARE(selection.source(), 2);
    QVERIFY(selection.lblCompteTemp().isEmpty());
    QVERIFY(options.visible("cbAnnulation"));
    QVERIFY(options.visible("pnlRazSolde"));

    selection.setSource(2);   // already selected: nothing runs
    QCOMPARE(comptes.count(), 0);
    selection.etatDemarrage();
    QCOMPARE(selection.lblCompteTemp(), QString::number(selection.NbClients) + " clients actifs.");
    QVERIFY(!options.visible("cbAnnulation"));
    QVERIFY(!options.visible("pnlRazSolde"));
    const int apres = comptes.count();
    selection.etatDemarrage();
    QCOMPARE(comptes.count(), apres);
}

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
