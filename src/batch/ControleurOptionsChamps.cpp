#include "batch/ControleurOptions.h"

#include "batch/ControleurOptionsNoms.h"
#include "db/Decimal.h"

// The fields: their visibility, the date and amount editors with their start values and
// minimums, the texts, the amount choice and the message type.

using namespace options_noms;

namespace {

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

} // namespace

void ControleurOptions::setAujourdhui(std::function<QDate()> horloge)
{
    m_horloge = std::move(horloge);
}

QDate ControleurOptions::aujourdhui() const
{
    return m_horloge();
}

ValeursOptions ControleurOptions::valeursDepart() const
{
    ValeursOptions v;
    const QDate jour = aujourdhui();
    const QDate premier = premierDuMois(jour);
    const QDate dernier = premier.addMonths(1).addDays(-1);
    v.edtDateInc = premier;
    v.edtDate2Inc = dernier;
    v.edtDateEch = jour;   // replaced by the fifth of next month when cbCreate is ticked
    v.edtDateAnnul = jour;
    v.edtDateEch1 = premier;
    v.edtDateEch2 = dernier;
    return v;
}

QDate ControleurOptions::dateDepart(const QString& nom) const
{
    const auto membre = membreDate(nom);
    return membre ? valeursDepart().*membre : QDate();
}

fb::Decimal ControleurOptions::montantDepart(const QString& nom) const
{
    const auto membre = membreMontant(nom);
    return membre ? valeursDepart().*membre : fb::Decimal{0, -2};
}

QString ControleurOptions::texteDepart(const QString& nom) const
{
    const ValeursOptions v;
    return nom == QLatin1String("Memo1") ? v.Memo1 : nom == QLatin1String("mmoSolde") ? v.mmoSolde : QString();
}

void ControleurOptions::initialiserValeurs()
{
    const ValeursOptions depart = valeursDepart();
    for (const auto& c : kDates) {
        m_valeurs.*c.membre = depart.*c.membre;
        Q_EMIT dateChange(QLatin1String(c.nom));
    }
    m_valeurs.edtMontant3 = depart.edtMontant3;
    m_valeurs.edtMontant4 = depart.edtMontant4;
    m_valeurs.edtValeur1 = m_valeurs.rgChoix2 == 1 ? fb::Decimal{0, -2} : depart.edtValeur1;
    for (const auto& c : kMontants)
        Q_EMIT montantChange(QLatin1String(c.nom));
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

const QStringList& ControleurOptions::champsTexte()
{
    static const QStringList noms = {QStringLiteral("Memo1"), QStringLiteral("mmoSolde")};
    return noms;
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
