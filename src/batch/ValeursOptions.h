#pragma once
// Everything the batch run reads from the options page, taken at one moment. The batch run
// and the filling of the operation scripts read this type only, never a widget.
#include "batch/Article.h"
#include "db/Decimal.h"

#include <QDate>
#include <QString>
#include <optional>

// The boxes of the options page, one per operation but the amounts (two boxes, one
// operation); their rules are in the operation table (Operations.h).
enum class CaseOption { cbMsg, cbIncPrel, cbCreate, cbAnnulation, cbModifMontant, cbModifMontant2, cbSolde };

struct ValeursOptions
{
    // The ticked boxes, one bit per CaseOption.
    quint32 cochees = 0;
    bool coche(CaseOption c) const { return (cochees >> unsigned(c)) & 1u; }
    void setCoche(CaseOption c, bool coche)
    {
        cochees = coche ? cochees | (1u << unsigned(c)) : cochees & ~(1u << unsigned(c));
    }
    bool aucuneOperation() const { return cochees == 0; }

    // Texts as the operator typed them; line breaks are LF.
    QString Memo1 = QStringLiteral("Report 1 mois Covid-19.");
    QString mmoSolde = QStringLiteral("Le client était débiteur de %SOLDE €");

    QDate edtDateInc;
    QDate edtDate2Inc;
    QDate edtDateEch;
    QDate edtDateAnnul;
    QDate edtDateEch1;
    QDate edtDateEch2;

    // Two decimals each.
    fb::Decimal edtMontant3{1, -2};
    fb::Decimal edtMontant4{3995, -2};
    fb::Decimal edtValeur1{10000, -2};

    int rgChoix2 = 0;   // 0 "Pourcent.", 1 "Fixe"

    // What stands behind the chosen item of each list; nothing when no item is chosen.
    std::optional<qint64> cbModes;
    std::optional<qint64> cbModes2;
    std::optional<qint64> cbModes4;
    std::optional<tArticle> cbArticle;
    std::optional<tArticle> cbArticle2;

    int typeMessage = 1;   // 1 "Alerte", 2 "Message", 0 "Remarque"
};
