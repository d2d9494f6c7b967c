#include "batch/ControleurOptions.h"

#include "operator/OperatorInterface.h"
#include "db/Decimal.h"
#include "db/Session.h"

namespace {

const QString kModes = QStringLiteral("cbModes");
const QString kModes2 = QStringLiteral("cbModes2");
const QString kModes4 = QStringLiteral("cbModes4");
const QString kArticle = QStringLiteral("cbArticle");
const QString kArticle2 = QStringLiteral("cbArticle2");

const char* const kSqlModes =
    "select mod_id,mod_libelle from mode_paiement where (mod_type = 4) and (mod_ne_pas_utiliser = 0) order by 2";
const char* const kSqlArticles =
    "SELECT ART_ID, ART_NOM, ATA_PRIX, ATA_IDTVA FROM ARTICLE INNER JOIN ARTICLE_TARIF ON (ATA_IDART = ART_ID) "
    "WHERE (ART_VENDABLE = -1) AND (ATA_DEFAUT = -1) AND (ATA_PRIX > 0) ORDER BY ART_NOM";
const char* const kSqlArticlesSolde =
    "SELECT ART_ID, ART_NOM FROM ARTICLE WHERE (ART_CATEGORIE IN (1,2,32,64)) AND (ART_VENDABLE = -1) "
    "ORDER BY ART_NOM";

struct ChampDate
{
    const char* nom;
    QDate ValeursOptions::*membre;
};
const ChampDate kDates[] = {
    {"edtDateInc", &ValeursOptions::edtDateInc},     {"edtDate2Inc", &ValeursOptions::edtDate2Inc},
    {"edtDateEch", &ValeursOptions::edtDateEch},     {"edtDateAnnul", &ValeursOptions::edtDateAnnul},
    {"edtDateEch1", &ValeursOptions::edtDateEch1},   {"edtDateEch2", &ValeursOptions::edtDateEch2},
};

struct ChampMontant
{
    const char* nom;
    fb::Decimal ValeursOptions::*membre;
};
const ChampMontant kMontants[] = {
    {"edtMontant3", &ValeursOptions::edtMontant3},
    {"edtMontant4", &ValeursOptions::edtMontant4},
    {"edtValeur1", &ValeursOptions::edtValeur1},
};

QDate ValeursOptions::*membreDate(const QString& nom)
{
    for (const auto& c : kDates)
        if (nom == QLatin1String(c.nom))
            return c.membre;
    return nullptr;
}

fb::Decimal ValeursOptions::*membreMontant(const QString& nom)
{
    for (const auto& c : kMontants)
        if (nom == QLatin1String(c.nom))
            return c.membre;
    return nullptr;
}

QDate premierDuMois(const QDate& jour)
{
    return QDate(jour.year(), jour.month(), 1);
}

} // namespace

ControleurOptions::ControleurOptions(Session& session, OperatorInterface& operateur, QObject* parent)
    : QObject(parent), m_session(session), m_operateur(operateur), m_horloge([] { return QDate::currentDate(); })
{
    for (const QString& nom : champs())
        m_visibles.insert(nom, false);
    m_visibles[QStringLiteral("cbAnnulation")] = true;
    m_visibles[QStringLiteral("pnlRazSolde")] = true;
    for (const QString& liste : listes())
        m_listes.insert(liste, Liste{});
    initialiserValeurs();
}

const QList<CaseOption>& ControleurOptions::cases()
{
    static const QList<CaseOption> ordre = {CaseOption::cbMsg,          CaseOption::cbIncPrel,
                                            CaseOption::cbCreate,       CaseOption::cbAnnulation,
                                            CaseOption::cbModifMontant, CaseOption::cbModifMontant2,
                                            CaseOption::cbSolde};
    return ordre;
}

QString ControleurOptions::nomCase(CaseOption c)
{
    switch (c) {
    case CaseOption::cbMsg: return QStringLiteral("cbMsg");
    case CaseOption::cbIncPrel: return QStringLiteral("cbIncPrel");
    case CaseOption::cbCreate: return QStringLiteral("cbCreate");
    case CaseOption::cbAnnulation: return QStringLiteral("cbAnnulation");
    case CaseOption::cbModifMontant: return QStringLiteral("cbModifMontant");
    case CaseOption::cbModifMontant2: return QStringLiteral("cbModifMontant2");
    case CaseOption::cbSolde: return QStringLiteral("cbSolde");
    }
    return QString();
}

std::optional<CaseOption> ControleurOptions::caseParNom(const QString& nom)
{
    for (CaseOption c : cases())
        if (nomCase(c) == nom)
            return c;
    return std::nullopt;
}

void ControleurOptions::setAujourdhui(std::function<QDate()> horloge)
{
    m_horloge = std::move(horloge);
}

QDate ControleurOptions::aujourdhui() const
{
    return m_horloge();
}

void ControleurOptions::initialiserValeurs()
{
    const QDate jour = aujourdhui();
    const QDate premier = premierDuMois(jour);
    const QDate dernier = premier.addMonths(1).addDays(-1);
    m_valeurs.edtDateInc = premier;
    m_valeurs.edtDate2Inc = dernier;
    m_valeurs.edtDateEch = jour;   // replaced by the fifth of next month when cbCreate is ticked
    m_valeurs.edtDateAnnul = jour;
    m_valeurs.edtDateEch1 = premier;
    m_valeurs.edtDateEch2 = dernier;
    for (const auto& c : kDates)
        Q_EMIT dateChange(QLatin1String(c.nom));

    const ValeursOptions defaut;
    m_valeurs.edtMontant3 = defaut.edtMontant3;
    m_valeurs.edtMontant4 = defaut.edtMontant4;
    m_valeurs.edtValeur1 = m_valeurs.rgChoix2 == 1 ? fb::Decimal{0, -2} : defaut.edtValeur1;
    for (const auto& c : kMontants)
        Q_EMIT montantChange(QLatin1String(c.nom));
}

bool ControleurOptions::coche(CaseOption c) const
{
    switch (c) {
    case CaseOption::cbMsg: return m_valeurs.cbMsg;
    case CaseOption::cbIncPrel: return m_valeurs.cbIncPrel;
    case CaseOption::cbCreate: return m_valeurs.cbCreate;
    case CaseOption::cbAnnulation: return m_valeurs.cbAnnulation;
    case CaseOption::cbModifMontant: return m_valeurs.cbModifMontant;
    case CaseOption::cbModifMontant2: return m_valeurs.cbModifMontant2;
    case CaseOption::cbSolde: return m_valeurs.cbSolde;
    }
    return false;
}

bool ControleurOptions::accessible(CaseOption c) const
{
    if (c == CaseOption::cbAnnulation)
        return visible(QStringLiteral("cbAnnulation"));
    if (c == CaseOption::cbSolde)
        return visible(QStringLiteral("pnlRazSolde"));
    return true;
}

bool ControleurOptions::setCoche(CaseOption c, bool valeur)
{
    if (valeur && !accessible(c))
        return false;
    if (coche(c) == valeur)
        return true;
    bool* membre = nullptr;
    switch (c) {
    case CaseOption::cbMsg: membre = &m_valeurs.cbMsg; break;
    case CaseOption::cbIncPrel: membre = &m_valeurs.cbIncPrel; break;
    case CaseOption::cbCreate: membre = &m_valeurs.cbCreate; break;
    case CaseOption::cbAnnulation: membre = &m_valeurs.cbAnnulation; break;
    case CaseOption::cbModifMontant: membre = &m_valeurs.cbModifMontant; break;
    case CaseOption::cbModifMontant2: membre = &m_valeurs.cbModifMontant2; break;
    case CaseOption::cbSolde: membre = &m_valeurs.cbSolde; break;
    }
    *membre = valeur;
    Q_EMIT cocheChange(c, valeur);
    cliquer(c);
    return true;
}

void ControleurOptions::cliquer(CaseOption c)
{
    switch (c) {
    case CaseOption::cbMsg: break;   // Memo1 is always there
    case CaseOption::cbIncPrel: cbIncPrelClick(); break;
    case CaseOption::cbCreate: cbCreateClick(); break;
    case CaseOption::cbAnnulation: cbAnnulationClick(); break;
    case CaseOption::cbModifMontant:
    case CaseOption::cbModifMontant2: cbModifMontantClick(c); break;
    case CaseOption::cbSolde: cbSoldeClick(); break;
    }
}

void ControleurOptions::cbIncPrelClick()
{
    const bool c = m_valeurs.cbIncPrel;
    for (const char* nom : {"Label2", "Label15", "edtDateInc", "edtDate2Inc"})
        setVisible(QLatin1String(nom), c);
}

void ControleurOptions::cbCreateClick()
{
    const bool c = m_valeurs.cbCreate;
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
    setVisible(QStringLiteral("pnlAnnulation"), m_valeurs.cbAnnulation);
    remplir({{Requete::Modes, kModes2}});
    choisirPremier(kModes2);
}

void ControleurOptions::cbModifMontantClick(CaseOption clique)
{
    if (coche(clique)) {
        // A box unticked here goes through its own click handling before this one goes on.
        if (clique == CaseOption::cbModifMontant) {
            setCoche(CaseOption::cbModifMontant2, false);
        } else {
            setCoche(CaseOption::cbModifMontant, false);
            setCoche(CaseOption::cbIncPrel, false);
        }
    }
    setVisible(QStringLiteral("pnlMontant2"), coche(clique));
    remplir({{Requete::Modes, kModes4}});
    choisirPremier(kModes4);
}

void ControleurOptions::cbSoldeClick()
{
    const bool c = m_valeurs.cbSolde;
    for (const char* nom : {"lblArticle", "cbArticle2", "mmoSolde"})
        setVisible(QLatin1String(nom), c);
    if (c)
        remplir({{Requete::ArticlesSolde, kArticle2}});   // no item chosen: the operator picks it
}

const QStringList& ControleurOptions::champs()
{
    static const QStringList noms = {
        QStringLiteral("Label2"),       QStringLiteral("edtDateInc"),    QStringLiteral("Label15"),
        QStringLiteral("edtDate2Inc"),  QStringLiteral("pnlEcheance"),   QStringLiteral("cbAnnulation"),
        QStringLiteral("pnlAnnulation"), QStringLiteral("pnlMontant2"),  QStringLiteral("pnlRazSolde"),
        QStringLiteral("lblArticle"),   QStringLiteral("cbArticle2"),    QStringLiteral("mmoSolde"),
    };
    return noms;
}

bool ControleurOptions::visible(const QString& nom) const
{
    return m_visibles.value(nom, true);
}

void ControleurOptions::setVisible(const QString& nom, bool valeur)
{
    auto it = m_visibles.find(nom);
    if (it == m_visibles.end() || *it == valeur)
        return;
    *it = valeur;
    Q_EMIT visibiliteChange(nom, valeur);
}

const QStringList& ControleurOptions::listes()
{
    static const QStringList noms = {kModes, kModes2, kModes4, kArticle, kArticle2};
    return noms;
}

QStringList ControleurOptions::elements(const QString& liste) const
{
    return m_listes.value(liste).elements;
}

int ControleurOptions::choix(const QString& liste) const
{
    return m_listes.value(liste).choix;
}

void ControleurOptions::setChoix(const QString& liste, int index)
{
    auto it = m_listes.find(liste);
    if (it == m_listes.end())
        return;
    if (index < -1 || index >= it->elements.size())
        index = -1;
    if (it->choix == index)
        return;
    it->choix = index;
    Q_EMIT choixChange(liste, index);
    if (liste == kArticle)
        rafraichirMontant();
}

bool ControleurOptions::choisirParId(const QString& liste, qint64 id)
{
    const Liste l = m_listes.value(liste);
    int trouve = -1;
    for (int i = 0; i < l.elements.size() && trouve < 0; ++i) {
        const qint64 candidat = l.articles.isEmpty() ? l.ids.value(i) : l.articles.value(i).Id;
        if (candidat == id)
            trouve = i;
    }
    setChoix(liste, trouve);
    return trouve >= 0;
}

void ControleurOptions::choisirPremier(const QString& liste)
{
    if (!m_listes.value(liste).elements.isEmpty())
        setChoix(liste, 0);
}

void ControleurOptions::vider(const QString& liste)
{
    Liste& l = m_listes[liste];
    const bool avaitChoix = l.choix >= 0;
    l = Liste{};
    Q_EMIT listeChange(liste);
    if (avaitChoix)
        Q_EMIT choixChange(liste, -1);
}

bool ControleurOptions::remplir(const QList<QPair<Requete, QString>>& lectures)
{
    QList<Liste> lues;
    try {
        m_session.trZelto.start();
        for (const auto& lecture : lectures)
            lues.append(lire(lecture.first));
        m_session.trZelto.commit();
    } catch (const DbError& e) {
        try {
            m_session.qryLocale.close();
            m_session.qryLocale.release();
        } catch (const DbError&) {
        }
        try {
            if (m_session.trZelto.isActive())
                m_session.trZelto.rollback();
        } catch (const DbError&) {
        }
        for (const auto& lecture : lectures)
            vider(lecture.second);
        m_operateur.erreur(e.texte());
        return false;
    }
    for (int i = 0; i < lectures.size(); ++i) {
        const QString& liste = lectures[i].second;
        const bool avaitChoix = m_listes[liste].choix >= 0;
        m_listes[liste] = lues[i];   // items and parallel list replaced together
        Q_EMIT listeChange(liste);
        if (avaitChoix)
            Q_EMIT choixChange(liste, -1);
    }
    return true;
}

ControleurOptions::Liste ControleurOptions::lire(Requete requete)
{
    fb::Query& q = m_session.qryLocale;
    switch (requete) {
    case Requete::Modes: q.setSql(QLatin1String(kSqlModes)); break;
    case Requete::Articles: q.setSql(QLatin1String(kSqlArticles)); break;
    case Requete::ArticlesSolde: q.setSql(QLatin1String(kSqlArticlesSolde)); break;
    }
    Liste l;
    for (q.execute(); !q.eof(); q.next()) {
        if (requete == Requete::Modes) {
            l.ids.append(q.asInt64(0));
            l.elements.append(q.asString(1));
            continue;
        }
        tArticle a;
        a.Id = q.asInt64(0);
        a.Nom = q.asString(1);
        if (requete == Requete::Articles) {
            if (!q.isNull(2))
                a.Prix = decimaux::versEchelle(q.asDecimal(2), 4).value_or(fb::Decimal{0, -4});
            a.IdTva = q.asInt64(3);
        }
        l.articles.append(a);
        l.elements.append(a.Nom);
    }
    q.close();
    q.release();
    return l;
}

void ControleurOptions::rafraichirMontant()
{
    const Liste& l = m_listes[kArticle];
    if (l.choix < 0 || l.choix >= l.articles.size())
        return;   // no article chosen: the label keeps its text
    const QString texte = decimaux::montantEuro(l.articles[l.choix].Prix);
    if (texte == m_lblMontant)
        return;
    m_lblMontant = texte;
    Q_EMIT texteChange(QStringLiteral("lblMontant"));
}

const QStringList& ControleurOptions::champsDate()
{
    static const QStringList noms = [] {
        QStringList n;
        for (const auto& c : kDates)
            n << QLatin1String(c.nom);
        return n;
    }();
    return noms;
}

QDate ControleurOptions::date(const QString& nom) const
{
    const auto membre = membreDate(nom);
    return membre ? m_valeurs.*membre : QDate();
}

QDate ControleurOptions::dateMinimum(const QString& nom) const
{
    if (nom == QLatin1String("edtDateInc") || nom == QLatin1String("edtDate2Inc"))
        return premierDuMois(aujourdhui()).addMonths(-12);
    if (nom == QLatin1String("edtDateEch"))
        return aujourdhui();
    return QDate();
}

bool ControleurOptions::setDate(const QString& nom, const QDate& valeur)
{
    const auto membre = membreDate(nom);
    if (!membre || !valeur.isValid())
        return false;
    const QDate minimum = dateMinimum(nom);
    if (minimum.isValid() && valeur < minimum)
        return false;
    if (m_valeurs.*membre != valeur) {
        m_valeurs.*membre = valeur;
        Q_EMIT dateChange(nom);
    }
    return true;
}

const QStringList& ControleurOptions::champsMontant()
{
    static const QStringList noms = [] {
        QStringList n;
        for (const auto& c : kMontants)
            n << QLatin1String(c.nom);
        return n;
    }();
    return noms;
}

fb::Decimal ControleurOptions::montant(const QString& nom) const
{
    const auto membre = membreMontant(nom);
    return membre ? m_valeurs.*membre : fb::Decimal{0, -2};
}

bool ControleurOptions::setMontant(const QString& nom, const fb::Decimal& valeur)
{
    const auto membre = membreMontant(nom);
    const auto deux = decimaux::versEchelle(valeur, 2);
    if (!membre || !deux)
        return false;
    if (!(m_valeurs.*membre == *deux)) {
        m_valeurs.*membre = *deux;
        Q_EMIT montantChange(nom);
    }
    return true;
}

QString ControleurOptions::texte(const QString& nom) const
{
    if (nom == QLatin1String("Memo1"))
        return m_valeurs.Memo1;
    if (nom == QLatin1String("mmoSolde"))
        return m_valeurs.mmoSolde;
    if (nom == QLatin1String("lblMontant"))
        return m_lblMontant;
    if (nom == QLatin1String("Label27"))
        return m_label27;
    return QString();
}

void ControleurOptions::setTexte(const QString& nom, const QString& texte)
{
    QString* cible = nullptr;
    if (nom == QLatin1String("Memo1"))
        cible = &m_valeurs.Memo1;
    else if (nom == QLatin1String("mmoSolde"))
        cible = &m_valeurs.mmoSolde;
    if (!cible || *cible == texte)
        return;
    *cible = texte;
    Q_EMIT texteChange(nom);
}

void ControleurOptions::setRgChoix2(int index)
{
    if ((index != 0 && index != 1) || index == m_valeurs.rgChoix2)
        return;
    m_valeurs.rgChoix2 = index;
    // The value put in is the one that leaves amounts unchanged: 100 per cent, or plus 0.
    m_label27 = index == 0 ? QStringLiteral("Pourcentage") : QStringLiteral("Modifier de ");
    m_valeurs.edtValeur1 = index == 0 ? fb::Decimal{10000, -2} : fb::Decimal{0, -2};
    Q_EMIT rgChoix2Change(index);
    Q_EMIT texteChange(QStringLiteral("Label27"));
    Q_EMIT montantChange(QStringLiteral("edtValeur1"));
}

void ControleurOptions::setTypeMessage(int type)
{
    if (type < 0 || type > 2 || type == m_valeurs.typeMessage)
        return;
    m_valeurs.typeMessage = type;
    Q_EMIT typeMessageChange(type);
}

ValeursOptions ControleurOptions::valeurs() const
{
    ValeursOptions v = m_valeurs;
    auto idChoisi = [this](const QString& liste) -> std::optional<qint64> {
        const Liste l = m_listes.value(liste);
        if (l.choix < 0 || l.choix >= l.ids.size())
            return std::nullopt;
        return l.ids[l.choix];
    };
    auto articleChoisi = [this](const QString& liste) -> std::optional<tArticle> {
        const Liste l = m_listes.value(liste);
        if (l.choix < 0 || l.choix >= l.articles.size())
            return std::nullopt;
        return l.articles[l.choix];
    };
    v.cbModes = idChoisi(kModes);
    v.cbModes2 = idChoisi(kModes2);
    v.cbModes4 = idChoisi(kModes4);
    v.cbArticle = articleChoisi(kArticle);
    v.cbArticle2 = articleChoisi(kArticle2);
    return v;
}
