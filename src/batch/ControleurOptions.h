#pragma once
// The rules and the state of the options page, without any widget: the boxes and their
// click handling, the exclusions, the visibility of every field, the database-filled lists
// with their parallel lists, the dates, amounts and texts, and the message type. The page
// mirrors this state; the command-line job drives the very same methods.
#include "batch/Article.h"
#include "batch/Operations.h"
#include "batch/ValeursOptions.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class OperatorInterface;
class Session;

class ControleurOptions : public QObject
{
    Q_OBJECT
public:
    ControleurOptions(Session& session, OperatorInterface& operateur, QObject* parent = nullptr);

    // The boxes in the page's order, and their control names.
    static const QList<CaseOption>& cases();
    static QString nomCase(CaseOption c);
    static std::optional<CaseOption> caseParNom(const QString& nom);

    // Today, replaceable so that calendar edges can be exercised.
    void setAujourdhui(std::function<QDate()> horloge);
    QDate aujourdhui() const;

    // The start values of the date and amount editors, relative to today, as the page shows
    // them when the program starts.
    void initialiserValeurs();
    // Those start values, and by editor name (dates, amounts, Memo1 and mmoSolde).
    ValeursOptions valeursDepart() const;
    QDate dateDepart(const QString& nom) const;
    fb::Decimal montantDepart(const QString& nom) const;
    QString texteDepart(const QString& nom) const;

    bool coche(CaseOption c) const;
    // Runs the box's click handling when the state changes, whoever asks. Ticking a box that
    // the client source hides is refused (false): the operator cannot reach it either.
    bool setCoche(CaseOption c, bool coche);
    bool accessible(CaseOption c) const;
    // Shows the boxes that the client source offers and unticks the others.
    void adapterASource(int source);

    // Visibility of the fields, by control name (see champs()).
    static const QStringList& champs();
    bool visible(const QString& nom) const;
    void setVisible(const QString& nom, bool visible);

    // The five lists ("cbModes", "cbModes2", "cbModes4", "cbArticle", "cbArticle2"): their item
    // texts, the chosen index (-1: none) and the parallel lists behind them.
    static const QStringList& listes();
    QStringList elements(const QString& liste) const;
    int choix(const QString& liste) const;
    void setChoix(const QString& liste, int index);
    // Chooses the item whose method or article id is `id`; false (and no item chosen) when the
    // list holds no such id.
    bool choisirParId(const QString& liste, qint64 id);
    QList<qint64> ListeModes() const { return m_listes.value(QStringLiteral("cbModes")).ids; }
    QList<qint64> ListeModes2() const { return m_listes.value(QStringLiteral("cbModes2")).ids; }
    QList<qint64> ListeModes4() const { return m_listes.value(QStringLiteral("cbModes4")).ids; }
    QList<tArticle> ListeArticles() const { return m_listes.value(QStringLiteral("cbArticle")).articles; }
    QList<tArticle> ListeArticlesSolde() const { return m_listes.value(QStringLiteral("cbArticle2")).articles; }

    // Date editors by name, with their minimum (invalid when there is none). A date before the
    // minimum is refused (false) and the value stays.
    static const QStringList& champsDate();
    QDate date(const QString& nom) const;
    QDate dateMinimum(const QString& nom) const;
    bool setDate(const QString& nom, const QDate& date);

    // Amount editors by name ("edtMontant3", "edtMontant4", "edtValeur1"), two decimals.
    static const QStringList& champsMontant();
    fb::Decimal montant(const QString& nom) const;
    bool setMontant(const QString& nom, const fb::Decimal& valeur);

    // Texts by name: "Memo1" and "mmoSolde" (editable, champsTexte()), "lblMontant" and "Label27" (captions).
    static const QStringList& champsTexte();
    QString texte(const QString& nom) const;
    void setTexte(const QString& nom, const QString& texte);

    int rgChoix2() const { return m_valeurs.rgChoix2; }
    void setRgChoix2(int index);            // runs its handling when the choice changes
    bool valeur1DeuxDecimales() const { return m_valeurs.rgChoix2 == 1; }

    // Message type: 1 "Alerte", 2 "Message", 0 "Remarque". Exactly one menu item is marked:
    // the one of the type in force.
    int typeMessage() const { return m_valeurs.typeMessage; }
    void setTypeMessage(int type);
    bool marque(int type) const { return type == m_valeurs.typeMessage; }

    ValeursOptions valeurs() const;

Q_SIGNALS:
    void cocheChange(CaseOption c, bool coche);
    void visibiliteChange(const QString& nom, bool visible);
    void listeChange(const QString& liste);
    void choixChange(const QString& liste, int index);
    void dateChange(const QString& nom);
    void montantChange(const QString& nom);
    void texteChange(const QString& nom);
    void rgChoix2Change(int index);
    void typeMessageChange(int type);

private:
    enum class Requete { Modes, Articles, ArticlesSolde };
    struct Liste
    {
        QStringList elements;
        QList<qint64> ids;          // payment-method lists
        QList<tArticle> articles;   // article lists
        int choix = -1;
    };

    // The boxes' own click handling, named in the operation table.
    friend const QList<CaseOperation>& CasesOperations();
    void cliquer(CaseOption c);
    void cbIncPrelClick();
    void cbCreateClick();
    void cbAnnulationClick();
    void cbModifMontantClick();
    void cbModifMontant2Click();
    void afficherMontant2(CaseOption clique);
    void cbSoldeClick();
    // One transaction for the whole click, committed once; on failure the error is shown,
    // the transaction rolled back and every list of the click left empty.
    bool remplir(const QList<QPair<Requete, QString>>& lectures);
    Liste lire(Requete requete);
    void vider(const QString& liste);
    void choisirPremier(const QString& liste);
    void rafraichirMontant();

    Session& m_session;
    OperatorInterface& m_operateur;
    std::function<QDate()> m_horloge;

    ValeursOptions m_valeurs;
    QHash<QString, bool> m_visibles;
    QHash<QString, Liste> m_listes;
    QString m_lblMontant = QStringLiteral("Montant");
    QString m_label27 = QStringLiteral("Pourcentage");
};
