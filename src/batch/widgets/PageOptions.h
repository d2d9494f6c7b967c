#pragma once
// The options page's controls, built inside the page and mirroring the options controller:
// the operator's actions go to the controller, its state comes back here. No rule lives here.
#include "batch/ControleurOptions.h"

#include <QHash>
#include <QObject>

class OperatorInterface;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolButton;
class QVBoxLayout;
class QWidget;
class TEditeurMontant;

class PageOptions : public QObject
{
    Q_OBJECT
public:
    PageOptions(QWidget* tsOption, ControleurOptions& controleur);

    QCheckBox* caseOption(CaseOption c) const { return m_cases.value(c); }
    QComboBox* liste(const QString& nom) const { return m_listes.value(nom); }
    QDateEdit* editeurDate(const QString& nom) const { return m_dates.value(nom); }
    TEditeurMontant* editeurMontant(const QString& nom) const { return m_montants.value(nom); }
    QMenu* PopupMenu1() const { return m_popupMenu1; }

private:
    // One section per operation, in the page's order, then the message type.
    void sectionMessage(QWidget* contenu, QVBoxLayout* colonne);
    void sectionReport(QWidget* contenu, QVBoxLayout* colonne);
    void sectionEcheance(QWidget* contenu, QVBoxLayout* colonne);
    void sectionAnnulation(QWidget* contenu, QVBoxLayout* colonne);
    void sectionMontants(QWidget* contenu, QVBoxLayout* colonne);
    void sectionSolde(QWidget* contenu, QVBoxLayout* colonne);
    void sectionTypeMessage(QWidget* contenu, QVBoxLayout* colonne);
    void connecter();

    QCheckBox* caseA(QWidget* parent, CaseOption c, const QString& texte);
    QLabel* etiquette(QWidget* parent, const QString& nom, const QString& texte);
    QDateEdit* editeurDateA(QWidget* parent, const QString& nom);
    TEditeurMontant* editeurMontantA(QWidget* parent, const QString& nom);
    QComboBox* listeA(QWidget* parent, const QString& nom);
    QWidget* panneau(QWidget* parent, const QString& nom);

    void synchroniserTout();
    void synchroniserCase(CaseOption c);
    void synchroniserVisibilite(const QString& nom);
    void synchroniserListe(const QString& nom);
    void synchroniserChoix(const QString& nom);
    void synchroniserDate(const QString& nom);
    void synchroniserMontant(const QString& nom);
    void synchroniserTexte(const QString& nom);
    void synchroniserChoix2();
    void synchroniserTypeMessage();

    QWidget* m_page;
    ControleurOptions& m_controleur;
    QHash<CaseOption, QCheckBox*> m_cases;
    QHash<QString, QWidget*> m_champs;   // everything whose visibility the controller decides
    QHash<QString, QComboBox*> m_listes;
    QHash<QString, QDateEdit*> m_dates;
    QHash<QString, TEditeurMontant*> m_montants;
    QHash<QString, QLabel*> m_etiquettes;
    QPlainTextEdit* m_memo1 = nullptr;
    QPlainTextEdit* m_mmoSolde = nullptr;
    QButtonGroup* m_rgChoix2 = nullptr;
    QToolButton* m_jvArrowButton1 = nullptr;
    QMenu* m_popupMenu1 = nullptr;
    QActionGroup* m_types = nullptr;
};
