#pragma once
// The batch operations in the order in which a run takes them.
#include "batch/ValeursOptions.h"

#include <QList>
#include <QString>

struct Operation
{
    QString modele;   // "mSQL6" …
    QString statut;   // the run page's status text while it runs
    bool (*cochee)(const ValeursOptions&);
};

inline const QList<Operation>& Operations()
{
    static const QList<Operation> operations = {
        // Both amount boxes share one template and one run.
        {QStringLiteral("mSQL6"), QStringLiteral("Modification du montant de la prochaine échéance..."),
         [](const ValeursOptions& v) { return v.cbModifMontant || v.cbModifMontant2; }},
        {QStringLiteral("mSQL1"), QStringLiteral("Modification des prélèvements..."),
         [](const ValeursOptions& v) { return v.cbIncPrel; }},
        {QStringLiteral("mSQL2"), QStringLiteral("Création des messages..."),
         [](const ValeursOptions& v) { return v.cbMsg; }},
        {QStringLiteral("mSQL3"), QStringLiteral("Création des échéances..."),
         [](const ValeursOptions& v) { return v.cbCreate; }},
        {QStringLiteral("mSQL4"), QStringLiteral("Annulation des prélèvements..."),
         [](const ValeursOptions& v) { return v.cbAnnulation; }},
        {QStringLiteral("mSQL7"), QStringLiteral("Remise à zéro des soldes..."),
         [](const ValeursOptions& v) { return v.cbSolde; }},
    };
    return operations;
}
