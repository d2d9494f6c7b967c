// The system's message box and the window's operator.
#include "common/EnvironnementIsole.h"
#include "app/widgets/Dialogues.h"
#include "app/widgets/OperateurFenetre.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(TBoutonMessage)

namespace {

std::unique_ptr<TBoiteMessage> boiteSimple(TBoutonsMessage boutons, int genre = gmConfirmation)
{
    return std::make_unique<TBoiteMessage>(QStringLiteral("Texte"), genre, boutons, 0, BoutonDefautSimple(boutons),
                                           BoutonAnnulationSimple(boutons));
}

// Answers the next box of the system that opens modally with a key, from a timer, so that no
// test waits on it.
class Repondeur : public QObject
{
public:
    explicit Repondeur(Qt::Key touche) : m_touche(touche)
    {
        m_minuterie.setInterval(20);
        QObject::connect(&m_minuterie, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* boite = qobject_cast<TBoiteMessage*>(w);
                if (boite && boite->isVisible()) {
                    titre = boite->windowTitle();
                    QWidget* cible = boite->focusWidget() ? boite->focusWidget() : boite;
                    QTest::keyClick(cible, m_touche);
                    return;
                }
            }
            if (++m_essais > 250)   // 5 s: the box never came; close whatever is modal
                if (QWidget* w = QApplication::activeModalWidget())
                    w->close();
        });
        m_minuterie.start();
    }
    QString titre;

private:
    Qt::Key m_touche;
    QTimer m_minuterie;
    int m_essais = 0;
};

}   // namespace

class TestDialogues : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        IsolerEnvironnement(m_dossier);
    }

    // How the box answers a button, a key or its close box.
    void reponses_data()
    {
        QTest::addColumn<uint>("boutons");
        QTest::addColumn<QString>("action");   // "close", "Esc", "Enter" or the caption to click
        QTest::addColumn<int>("reponse");      // -1: the box stays open
        const uint ouiNon = Bouton::Yes | Bouton::No;
        QTest::newRow("question, close box") << ouiNon << "close" << 7;
        QTest::newRow("question, Esc") << ouiNon << "Esc" << 7;
        QTest::newRow("question, Enter") << ouiNon << "Enter" << 6;
        QTest::newRow("question, No") << ouiNon << "&Non" << 7;
        QTest::newRow("error, Enter") << uint(Bouton::OK) << "Enter" << 1;
        QTest::newRow("error, OK") << uint(Bouton::OK) << "OK" << 1;
        QTest::newRow("error, Esc") << uint(Bouton::OK) << "Esc" << 1;
        QTest::newRow("error, close box gives the cancel button's answer")
            << uint(Bouton::OK) << "close" << 7;
        QTest::newRow("OK Cancel, close box") << uint(Bouton::OK | Bouton::Cancel) << "close" << 2;
        QTest::newRow("OK Cancel, Esc") << uint(Bouton::OK | Bouton::Cancel) << "Esc" << 2;
        QTest::newRow("OK Cancel, Enter") << uint(Bouton::OK | Bouton::Cancel) << "Enter" << 1;
        QTest::newRow("Yes No Cancel, close box") << (ouiNon | Bouton::Cancel) << "close" << 2;
        QTest::newRow("Yes No Cancel, Esc") << (ouiNon | Bouton::Cancel) << "Esc" << 2;
        const uint ari = Bouton::Abort | Bouton::Retry | Bouton::Ignore;
        QTest::newRow("Abort Retry Ignore, Esc does nothing") << ari << "Esc" << -1;
        QTest::newRow("Abort") << ari << "&Annuler" << 3;
        QTest::newRow("Retry") << ari << "&Retenter" << 4;
        QTest::newRow("Ignore") << ari << "&Ignorer" << 5;
        QTest::newRow("All") << uint(Bouton::All | Bouton::NoToAll | Bouton::YesToAll) << "&Tous" << 8;
        QTest::newRow("No to all") << uint(Bouton::All | Bouton::NoToAll) << "&Non pour tout" << 9;
        QTest::newRow("Yes to all") << uint(Bouton::YesToAll) << "&Oui pour tout" << 10;
        QTest::newRow("Help does not close") << uint(Bouton::OK | Bouton::Help) << "&Aide" << -1;
    }

    void reponses()
    {
        QFETCH(uint, boutons);
        QFETCH(QString, action);
        QFETCH(int, reponse);
        auto boite = boiteSimple(boutons);
        boite->show();
        QVERIFY(QTest::qWaitForWindowExposed(boite.get()));
        QWidget* cible = boite->focusWidget() ? boite->focusWidget() : boite.get();
        if (action == QLatin1String("close")) {
            boite->close();
        } else if (action == QLatin1String("Esc")) {
            QTest::keyClick(cible, Qt::Key_Escape);
        } else if (action == QLatin1String("Enter")) {
            QTest::keyClick(cible, Qt::Key_Return);
        } else {
            QPushButton* clic = nullptr;
            for (QPushButton* b : boite->boutonsDansLOrdre())
                if (b->text() == action && !clic)
                    clic = b;
            QVERIFY2(clic, qPrintable(action));
            QTest::mouseClick(clic, Qt::LeftButton);
        }
        if (reponse < 0) {
            QTest::qWait(20);
            QVERIFY(boite->isVisible());
            return;
        }
        QTRY_VERIFY(!boite->isVisible());
        QCOMPARE(boite->reponse(), reponse);
    }

    void aide()
    {
        TBoiteMessage boite(QStringLiteral("Texte"), gmInformation, Bouton::OK | Bouton::Help, 42, Bouton::OK,
                            Bouton::OK);
        QSignalSpy demandes(&boite, &TBoiteMessage::aideDemandee);
        boite.show();
        QTest::mouseClick(boite.bouton(Bouton::Help), Qt::LeftButton);
        QCOMPARE(demandes.count(), 1);
        QCOMPARE(demandes.at(0).at(0).toInt(), 42);
        QVERIFY(boite.isVisible());
    }

    // Every title and caption is French, never empty; the buttons stand in table order.
    void legendes_data()
    {
        QTest::addColumn<int>("genre");
        QTest::addColumn<QString>("titre");
        QTest::newRow("warning") << 0 << "Avertissement";
        QTest::newRow("error") << 1 << "Erreur";
        QTest::newRow("information") << 2 << "Information";
        QTest::newRow("confirmation") << 3 << "Confirmation";
        QTest::newRow("unknown kind") << 4 << "";
    }

    void legendes()
    {
        QFETCH(int, genre);
        QFETCH(QString, titre);
        auto boite = boiteSimple(0x7FF, genre);
        QCOMPARE(boite->windowTitle(), titre);
        QStringList legendes;
        for (QPushButton* b : boite->boutonsDansLOrdre())
            legendes << b->text();
        QCOMPARE(legendes, QStringList({"&Oui", "&Non", "OK", "&Annuler", "&Annuler", "&Retenter", "&Ignorer",
                                        "&Tous", "&Non pour tout", "&Oui pour tout", "&Aide"}));
        boite->show();
        QVERIFY(QTest::qWaitForWindowExposed(boite.get()));
        const QList<QPushButton*> boutons = boite->boutonsDansLOrdre();
        for (int i = 1; i < boutons.size(); ++i)
            QVERIFY(boutons[i - 1]->x() < boutons[i]->x());
    }

    void choixSimples_data()
    {
        QTest::addColumn<uint>("boutons");
        QTest::addColumn<TBoutonMessage>("defaut");
        QTest::addColumn<TBoutonMessage>("annulation");
        QTest::newRow("Yes No") << uint(Bouton::Yes | Bouton::No) << Bouton::Yes << Bouton::No;
        QTest::newRow("No Cancel") << uint(Bouton::No | Bouton::Cancel) << Bouton::No << Bouton::Cancel;
        QTest::newRow("OK") << uint(Bouton::OK) << Bouton::OK << Bouton::No;
        QTest::newRow("Retry Cancel") << uint(Bouton::Retry | Bouton::Cancel) << Bouton::Cancel << Bouton::Cancel;
        QTest::newRow("Ignore") << uint(Bouton::Ignore) << Bouton::Cancel << Bouton::No;
    }

    void choixSimples()
    {
        QFETCH(uint, boutons);
        QFETCH(TBoutonMessage, defaut);
        QFETCH(TBoutonMessage, annulation);
        QCOMPARE(BoutonDefautSimple(boutons), defaut);
        QCOMPARE(BoutonAnnulationSimple(boutons), annulation);
        // The default button holds the focus and takes Enter.
        auto boite = boiteSimple(boutons);
        boite->show();
        QVERIFY(QTest::qWaitForWindowActive(boite.get()));
        if (QPushButton* b = boite->bouton(defaut)) {
            QVERIFY(b->isDefault());
            QCOMPARE(boite->focusWidget(), b);
        }
    }

    // Centred on the screen, not on the window that opened it; above every window.
    void centreeAuDessus()
    {
        QWidget fenetre;
        fenetre.setGeometry(0, 0, 200, 150);
        fenetre.show();
        TBoiteMessage boite(QStringLiteral("Une ligne\r\nDeux lignes\r\nTrois lignes"), gmErreur, Bouton::OK, 0,
                            Bouton::OK, Bouton::No, &fenetre);
        boite.show();
        QVERIFY(QTest::qWaitForWindowExposed(&boite));
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        QVERIFY2((boite.frameGeometry().center() - centre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("box centre %1,%2").arg(boite.frameGeometry().center().x())
                                .arg(boite.frameGeometry().center().y())));
        QVERIFY(boite.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // CR LF makes lines.
        auto* message = boite.findChild<QLabel*>(QStringLiteral("message"));
        QVERIFY(message);
        QCOMPARE(message->text(), QStringLiteral("Une ligne\nDeux lignes\nTrois lignes"));
        QVERIFY(message->height() >= 3 * message->fontMetrics().height());
    }

    // The window's operator: the system box for its question and error shortcuts.
    void operateurQuestion_data()
    {
        QTest::addColumn<int>("touche");
        QTest::addColumn<bool>("oui");
        QTest::newRow("Enter: Yes") << int(Qt::Key_Return) << true;
        QTest::newRow("Esc: No") << int(Qt::Key_Escape) << false;
    }

    void operateurQuestion()
    {
        QFETCH(int, touche);
        QFETCH(bool, oui);
        QLabel statut;
        OperateurFenetre operateur(nullptr, &statut);
        Repondeur repondeur{Qt::Key(touche)};
        QCOMPARE(operateur.question(QStringLiteral("Pas de message (solde) saisi, continuer ?")), oui);
        QCOMPARE(repondeur.titre, QStringLiteral("Confirmation"));
    }

    void operateurMessages()
    {
        QLabel statut;
        OperateurFenetre operateur(nullptr, &statut);
        {
            Repondeur repondeur(Qt::Key_Return);
            operateur.messageErreur(QStringLiteral("Impossible"));
            QCOMPARE(repondeur.titre, QStringLiteral("Erreur"));
        }
        {
            Repondeur repondeur(Qt::Key_Escape);
            operateur.messageAvertissement(QStringLiteral("Attention"));
            QCOMPARE(repondeur.titre, QStringLiteral("Avertissement"));
        }
        operateur.statut(QStringLiteral("Nettoyage..."));
        QCOMPARE(statut.text(), QStringLiteral("Nettoyage..."));
    }

    // The toolkit's boxes: French title and one "OK".
    void boitesStandard_data()
    {
        QTest::addColumn<int>("icone");
        QTest::addColumn<QString>("titre");
        QTest::newRow("warning") << int(QMessageBox::Warning) << "Avertissement";
        QTest::newRow("error") << int(QMessageBox::Critical) << "Erreur";
        QTest::newRow("information") << int(QMessageBox::Information) << "Information";
    }

    void boitesStandard()
    {
        QFETCH(int, icone);
        QFETCH(QString, titre);
        auto boite = OperateurFenetre::ConstruireBoite(QMessageBox::Icon(icone), QStringLiteral("Aucune option"), nullptr);
        QCOMPARE(boite->windowTitle(), titre);
        QCOMPARE(boite->buttons().size(), 1);
        QCOMPARE(boite->buttons().first()->text(), QStringLiteral("OK"));
        QCOMPARE(boite->text(), QStringLiteral("Aucune option"));
    }
};

QTEST_MAIN(TestDialogues)
#include "tst_dialogues.moc"
