#pragma once
// The batch operations and their boxes, one entry each: the run, the checks, the options
// page's controller and the job file take what they know of an operation from these tables.
// A new operation is its template in templates/, its box in CaseOption and its values in
// ValeursOptions, its filling in Remplissage, one entry in each table (Operations.cpp), its
// click handling in the controller and its section of the options page.
#include "batch/Remplissage.h"
#include "batch/ValeursOptions.h"

#include <QList>
#include <QString>
#include <optional>

class ControleurOptions;

// What a check may need beyond the values: the operator's answer, the database's word.
class ContexteVerification
{
public:
    virtual ~ContexteVerification() = default;
    virtual bool question(const QString& texte) = 0;
    virtual bool articleSoldeValide(qint64 idArticle) = 0;
};

struct Operation
{
    QString modele;            // its template: "mSQL6" …
    QString statut;            // the run page's status text while it runs
    QList<CaseOption> cases;   // any of them ticks it
    QString (*remplir)(const ValeursOptions&, const remplissage::Centres&);
    // Its checks: the warning of the first that fails, empty when all pass; `confirme` is set
    // false when the operator did not confirm. The operations' checks run in the order of
    // `rangVerification` (the page's rules, not the run order), then every ticked operation's
    // payment method is checked.
    int rangVerification;
    QString (*verifier)(const ValeursOptions&, ContexteVerification&, bool& confirme);
    std::optional<qint64> ValeursOptions::*modePaiement;   // the method it needs, or none

    bool cochee(const ValeursOptions& v) const;
};

// In the order of the run.
const QList<Operation>& Operations();
const Operation* OperationParModele(const QString& modele);

// The checks of every ticked operation: the first warning, or empty when all pass.
QString VerifierOperations(const ValeursOptions& v, ContexteVerification& contexte, bool& confirme);

struct CaseOperation
{
    CaseOption id;
    QString nom;                 // the control's name, also its key in a job file
    QString champAcces;          // the field whose visibility gives the operator the box; empty: always there
    QList<int> sources;          // the client sources that show that field; empty: every source
    QString raisonSource;        // why a job cannot tick the box with another source
    QList<CaseOption> exclues;   // unticked when this box is ticked; a job cannot tick both
    void (ControleurOptions::*clic)();   // its own click handling, after the exclusions
};

// In the page's order.
const QList<CaseOperation>& CasesOperations();
const CaseOperation& DefinitionCase(CaseOption c);
