#include "batch/ControleurOptions.h"

#include "batch/ControleurOptionsNoms.h"
#include "operator/OperatorInterface.h"

// The boxes and their click handling; the rules that differ from box to box are in the
// operation table.

using namespace options_noms;

ControleurOptions::ControleurOptions(Session& session, OperatorInterface& operateur, QObject* parent)
    : QObject(parent), m_session(session), m_operateur(operateur), m_horloge([] { return QDate::currentDate(); })
{
    for (const QString& nom : champs())
        m_visibles.insert(nom, false);
    for (const CaseOperation& d : CasesOperations())
        if (!d.champAcces.isEmpty())
            m_visibles[d.champAcces] = true;
    for (const QString& liste : listes())
        m_listes.insert(liste, Liste{});
    initialiserValeurs();
}

const QList<CaseOption>& ControleurOptions::cases()
{
    static const QList<CaseOption> ordre = [] {
        QList<CaseOption> c;
        for (const CaseOperation& d : CasesOperations())
            c << d.id;
        return c;
    }();
    return ordre;
}

QString ControleurOptions::nomCase(CaseOption c)
{
    return DefinitionCase(c).nom;
}

std::optional<CaseOption> ControleurOptions::caseParNom(const QString& nom)
{
    for (const CaseOperation& d : CasesOperations())
        if (d.nom == nom)
            return d.id;
    return std::nullopt;
}

bool ControleurOptions::coche(CaseOption c) const
{
    return m_valeurs.coche(c);
}

bool ControleurOptions::accessible(CaseOption c) const
{
    const QString& champ = DefinitionCase(c).champAcces;
    return champ.isEmpty() || visible(champ);
}

void ControleurOptions::adapterASource(int source)
{
    // A box never stays ticked under a source that does not offer it.
    for (const CaseOperation& d : CasesOperations()) {
        if (d.champAcces.isEmpty())
            continue;
        const bool offerte = d.sources.isEmpty() || d.sources.contains(source);
        setVisible(d.champAcces, offerte);
        if (!offerte)
            setCoche(d.id, false);
    }
}

bool ControleurOptions::setCoche(CaseOption c, bool valeur)
{
    if (valeur && !accessible(c))
        return false;
    if (coche(c) == valeur)
        return true;
    m_valeurs.setCoche(c, valeur);
    Q_EMIT cocheChange(c, valeur);
    cliquer(c);
    return true;
}

void ControleurOptions::cliquer(CaseOption c)
{
    const CaseOperation& d = DefinitionCase(c);
    // A box unticked here goes through its own click handling before this one goes on.
    if (coche(c))
        for (CaseOption exclue : d.exclues)
            setCoche(exclue, false);
    if (d.clic)
        (this->*d.clic)();
}

void ControleurOptions::cbIncPrelClick()
{
    const bool c = coche(CaseOption::cbIncPrel);
    for (const char* nom : {"Label2", "Label15", "edtDateInc", "edtDate2Inc"})
        setVisible(QLatin1String(nom), c);
}

void ControleurOptions::cbCreateClick()
{
    const bool c = coche(CaseOption::cbCreate);
    setVisible(QStringLiteral("pnlEcheance"), c);
    if (c) {
        m_valeurs.edtDateEch = premierDuMois(aujourdhui()).addMonths(1).addDays(4);
        Q_EMIT dateChange(QStringLiteral("edtDateEch"));
        remplir({{Requete::Modes, kModes}, {Requete::Articles, kArticle}});
    }
    if (!m_listes[kModes].elements.isEmpty() && !m_listes[kArticle].elements.isEmpty()) {
        setChoix(kModes, 0);
        setChoix(kArticle, 0);
        rafraichirMontant();
    } else if (c) {
        m_operateur.avertissement(QStringLiteral("Pas de configuration trouvée"));
        setCoche(CaseOption::cbCreate, false);
    }
}

void ControleurOptions::cbAnnulationClick()
{
    setVisible(QStringLiteral("pnlAnnulation"), coche(CaseOption::cbAnnulation));
    remplir({{Requete::Modes, kModes2}});
    choisirPremier(kModes2);
}

void ControleurOptions::cbModifMontantClick()
{
    afficherMontant2(CaseOption::cbModifMontant);
}

void ControleurOptions::cbModifMontant2Click()
{
    afficherMontant2(CaseOption::cbModifMontant2);
}

void ControleurOptions::afficherMontant2(CaseOption clique)
{
    setVisible(QStringLiteral("pnlMontant2"), coche(clique));
    remplir({{Requete::Modes, kModes4}});
    choisirPremier(kModes4);
}

void ControleurOptions::cbSoldeClick()
{
    const bool c = coche(CaseOption::cbSolde);
    for (const char* nom : {"lblArticle", "cbArticle2", "mmoSolde"})
        setVisible(QLatin1String(nom), c);
    if (c)
        remplir({{Requete::ArticlesSolde, kArticle2}});   // no item chosen: the operator picks it
}
