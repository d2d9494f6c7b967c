// The script templates: exact texts (an editor that strips trailing blanks or the final blank
// lines changes the digest) and how each one splits.
#include "db/Modeles.h"
#include "db/ScriptParser.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTest>

class TestScriptModeles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void texte_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<int>("lignes");
        QTest::addColumn<int>("octets");   // UTF-8 bytes of the CR LF text
        QTest::addColumn<QByteArray>("sha1");
        QTest::newRow("mSQL6") << "mSQL6" << 85 << 3146 << QByteArray("c9cb25aa343c1720ec89b068e0a61d3535c0cf04");
        QTest::newRow("mSQL1") << "mSQL1" << 56 << 1475 << QByteArray("9c68c29b12bf96dfc636158491e1242333c49289");
        QTest::newRow("mSQL2") << "mSQL2" << 26 << 635 << QByteArray("6498f1571df5440a69354ea48fd229ea62382d88");
        QTest::newRow("mSQL3") << "mSQL3" << 29 << 917 << QByteArray("3e83bc8b1e177fd8fbd1f801180025645cad79ff");
        QTest::newRow("mSQL4") << "mSQL4" << 37 << 878 << QByteArray("bd4e55bee286e4e2ab712094f9ea4e27f6544125");
        QTest::newRow("mSQL7") << "mSQL7" << 141 << 4479 << QByteArray("fc79146e4fd77e3c97174d2e7772e692f591047b");
        QTest::newRow("mSQL_PS1") << "mSQL_PS1" << 75 << 1984 << QByteArray("c35a9678e6d96b17897adf52e0723080cdf70b0a");
    }

    void texte()
    {
        QFETCH(QString, nom);
        QFETCH(int, lignes);
        QFETCH(int, octets);
        QFETCH(QByteArray, sha1);
        const QString t = TexteModele(nom);
        QVERIFY(!t.contains(QRegularExpression(QStringLiteral("\r(?!\n)|(?<!\r)\n"))));
        QCOMPARE(script::couperLignes(t).size(), lignes);
        const QByteArray utf8 = t.toUtf8();
        QCOMPARE(utf8.size(), octets);
        QCOMPARE(QCryptographicHash::hash(utf8, QCryptographicHash::Sha1).toHex(), sha1);
    }

    void blancsFinals_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("ligne");
        QTest::newRow("mSQL4 IDTICKET") << "mSQL4" << "DECLARE VARIABLE IDTICKET ";
        QTest::newRow("mSQL4 lone DECLARE") << "mSQL4" << "DECLARE VARIABLE ";
        QTest::newRow("mSQL7 IDSTATION") << "mSQL7" << "       :IDSTATION;    ";
        QTest::newRow("mSQL4 reason") << "mSQL4"
                                      << "      SELECT IDTICKET_N FROM TICKET_ANNULATION(0,0, :IDCENTRE, :IDTICKET, "
                                         ":IDSTATION, 'ERREUR PRÉLÈVEMENT'||ASCII_CHAR(127))";
    }

    void blancsFinals()
    {
        QFETCH(QString, nom);
        QFETCH(QString, ligne);
        QVERIFY(script::couperLignes(TexteModele(nom)).contains(ligne));
    }

    void inconnu() { QCOMPARE(TexteModele(QStringLiteral("mSQL5")), QString()); }

    void decoupage_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("debut");     // first line of statement 1
        QTest::addColumn<int>("ligne");         // its 1-based line in the script
        QTest::addColumn<bool>("definition");
        QTest::addColumn<QString>("suite");     // statement 2, empty when there is none
        QTest::newRow("mSQL6") << "mSQL6" << "EXECUTE BLOCK" << 2 << false << "COMMIT";
        QTest::newRow("mSQL1") << "mSQL1" << "EXECUTE BLOCK" << 2 << false << "COMMIT";
        QTest::newRow("mSQL2") << "mSQL2" << "EXECUTE BLOCK" << 3 << false << "COMMIT";
        QTest::newRow("mSQL3") << "mSQL3" << "EXECUTE BLOCK" << 3 << false << "COMMIT";
        QTest::newRow("mSQL4") << "mSQL4" << "EXECUTE BLOCK" << 2 << false << "";
        QTest::newRow("mSQL7") << "mSQL7" << "EXECUTE BLOCK" << 2 << false << "";
        QTest::newRow("mSQL_PS1") << "mSQL_PS1" << "CREATE OR ALTER PROCEDURE ECHEANCES_DOUBLONS (" << 3 << true << "";
    }

    void decoupage()
    {
        QFETCH(QString, nom);
        QFETCH(QString, debut);
        QFETCH(int, ligne);
        QFETCH(bool, definition);
        QFETCH(QString, suite);

        const QStringList lignes = script::couperLignes(TexteModele(nom));
        const QList<ScriptStatement> liste = script::decouper(lignes);
        QCOMPARE(liste.size(), suite.isEmpty() ? 1 : 2);

        const QStringList premiere = script::lignesInstruction(lignes, liste.at(0));
        QCOMPARE(premiere.first(), debut);
        QCOMPARE(premiere.last(), QStringLiteral("END"));
        QCOMPARE(liste.at(0).startLine + 1, ligne);
        QCOMPARE(liste.at(0).kind, definition ? StatementKind::Definition : StatementKind::Server);
        // The block is the template's text from its first line to "END", untouched.
        QCOMPARE(premiere, lignes.mid(liste.at(0).startLine, premiere.size()).replaceInStrings(QStringLiteral("END^"),
                                                                                              QStringLiteral("END")));
        if (!suite.isEmpty()) {
            QCOMPARE(script::texteInstruction(lignes, liste.at(1)), suite);
            QCOMPARE(liste.at(1).kind, StatementKind::Commit);
        }
    }
};

QTEST_APPLESS_MAIN(TestScriptModeles)
#include "tst_script_modeles.moc"
