#include "batch/Operations.h"

#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"

namespace {

const QString kDates = QStringLiteral("La date de fin ne peut être inférieure à la date de début");

QString verifierReport(const ValeursOptions& v, ContexteVerification&, bool&)
{
    return v.edtDateInc > v.edtDate2Inc ? kDates : QString();
}

QString verifierMontants(const ValeursOptions& v, ContexteVerification&, bool&)
{
    if (!v.coche(CaseOption::cbModifMontant2))
        return QString();
    if (v.edtDateEch1 > v.edtDateEch2)
        return kDates;
    if (v.edtMontant4.arrondi(2).valeur < v.edtMontant3.arrondi(2).valeur)
        return QStringLiteral("Le montant 2 ne peut être inférieur au montant 1");
    const qint64 valeur = v.edtValeur1.arrondi(2).valeur;
    if ((v.rgChoix2 == 0 && valeur == 10000) || (v.rgChoix2 == 1 && valeur == 0))
        return QStringLiteral("Valeur incorrecte, aucune modification appliquée");
    return QString();
}

QString verifierMessage(const ValeursOptions& v, ContexteVerification&, bool&)
{
    return v.Memo1.isEmpty() ? QStringLiteral("Pas de message saisi") : QString();
}

QString verifierSolde(const ValeursOptions& v, ContexteVerification& contexte, bool& confirme)
{
    if (v.mmoSolde.isEmpty() && !contexte.question(QStringLiteral("Pas de message (solde) saisi, continuer ?"))) {
        confirme = false;
        return QString();
    }
    if (!v.cbArticle2 || !contexte.articleSoldeValide(v.cbArticle2->Id))
        return QStringLiteral("Article (solde) non valide");
    return QString();
}

QString verifierEcheance(const ValeursOptions& v, ContexteVerification&, bool&)
{
    if (!v.cbArticle)
        return QStringLiteral("Article non valide");
    if (v.cbArticle->Prix.valeur <= 0)
        return QStringLiteral("Montant non valide");
    return QString();
}

} // namespace

bool Operation::cochee(const ValeursOptions& v) const
{
    for (CaseOption c : cases)
        if (v.coche(c))
            return true;
    return false;
}

const QList<Operation>& Operations()
{
    using namespace remplissage;
    static const QList<Operation> operations = {
        {QStringLiteral("mSQL6"), QStringLiteral("Modification du montant de la prochaine échéance..."),
         {CaseOption::cbModifMontant, CaseOption::cbModifMontant2}, RemplirMSQL6, 2, verifierMontants,
         &ValeursOptions::cbModes4},
        {QStringLiteral("mSQL1"), QStringLiteral("Modification des prélèvements..."), {CaseOption::cbIncPrel},
         RemplirMSQL1, 1, verifierReport, nullptr},
        {QStringLiteral("mSQL2"), QStringLiteral("Création des messages..."), {CaseOption::cbMsg}, RemplirMSQL2, 3,
         verifierMessage, nullptr},
        {QStringLiteral("mSQL3"), QStringLiteral("Création des échéances..."), {CaseOption::cbCreate}, RemplirMSQL3, 5,
         verifierEcheance, &ValeursOptions::cbModes},
        {QStringLiteral("mSQL4"), QStringLiteral("Annulation des prélèvements..."), {CaseOption::cbAnnulation},
         RemplirMSQL4, 6, nullptr, &ValeursOptions::cbModes2},
        {QStringLiteral("mSQL7"), QStringLiteral("Remise à zéro des soldes..."), {CaseOption::cbSolde}, RemplirMSQL7, 4,
         verifierSolde, nullptr},
    };
    return operations;
}

const Operation* OperationParModele(const QString& modele)
{
    for (const Operation& op : Operations())
        if (op.modele == modele)
            return &op;
    return nullptr;
}

QString VerifierOperations(const ValeursOptions& v, ContexteVerification& contexte, bool& confirme)
{
    confirme = true;
    if (v.aucuneOperation())
        return QStringLiteral("Aucune option sélectionnée");
    QList<const Operation*> ordre;
    for (const Operation& op : Operations())
        if (op.cochee(v) && op.verifier)
            ordre.append(&op);
    std::sort(ordre.begin(), ordre.end(),
              [](const Operation* a, const Operation* b) { return a->rangVerification < b->rangVerification; });
    for (const Operation* op : ordre) {
        const QString refus = op->verifier(v, contexte, confirme);
        if (!confirme || !refus.isEmpty())
            return refus;
    }
    // An operation without its payment method would run on method 0 and change nothing.
    for (const Operation& op : Operations())
        if (op.cochee(v) && op.modePaiement && !(v.*op.modePaiement))
            return QStringLiteral("Mode de paiement non valide");
    return QString();
}

const QList<CaseOperation>& CasesOperations()
{
    using C = CaseOption;
    using S = ControleurSelection;
    static const QList<CaseOperation> cases = {
        {C::cbMsg, QStringLiteral("cbMsg"), {}, {}, {}, {}, nullptr},
        {C::cbIncPrel, QStringLiteral("cbIncPrel"), {}, {}, {}, {}, &ControleurOptions::cbIncPrelClick},
        {C::cbCreate, QStringLiteral("cbCreate"), {}, {}, {}, {}, &ControleurOptions::cbCreateClick},
        {C::cbAnnulation, QStringLiteral("cbAnnulation"), QStringLiteral("cbAnnulation"),
         {S::FichierCsv, S::TableTemporaire}, QStringLiteral("cette source n'offre pas l'annulation des prélèvements."),
         {}, &ControleurOptions::cbAnnulationClick},
        {C::cbModifMontant, QStringLiteral("cbModifMontant"), {}, {}, {}, {C::cbModifMontant2},
         &ControleurOptions::cbModifMontantClick},
        {C::cbModifMontant2, QStringLiteral("cbModifMontant2"), {}, {}, {}, {C::cbModifMontant, C::cbIncPrel},
         &ControleurOptions::cbModifMontant2Click},
        {C::cbSolde, QStringLiteral("cbSolde"), QStringLiteral("pnlRazSolde"), {S::FichierCsv},
         QStringLiteral("seule la source 0 (fichier CSV) offre la remise à 0 des soldes."), {},
         &ControleurOptions::cbSoldeClick},
    };
    return cases;
}

const CaseOperation& DefinitionCase(CaseOption c)
{
    for (const CaseOperation& d : CasesOperations())
        if (d.id == c)
            return d;
    Q_UNREACHABLE();
}
