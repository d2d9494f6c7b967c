#include "config/Etablissements.h"

#include "config/ConfigPrg.h"
#include "config/ErreurConfig.h"
#include "config/FichierIni.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <optional>

namespace {

constexpr int kNombreEtablissements = 60;
// An establishment file holds a few dozen elements three levels deep. Larger or deeper
// documents are refused before the DOM is built: building it takes time quadratic in the depth.
constexpr qint64 kTailleMax = 4 * 1024 * 1024;
constexpr int kProfondeurMax = 64;

// The name without its namespace prefix: "z:Ets1" is "Ets1".
QString nomLocal(const QDomElement& e)
{
    const QString nom = e.tagName();
    const qsizetype deuxPoints = nom.lastIndexOf(QLatin1Char(':'));
    return deuxPoints < 0 ? nom : nom.mid(deuxPoints + 1);
}

// The first child element of that exact name, in document order.
QDomElement premierEnfant(const QDomNode& parent, const QString& nom)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (nomLocal(e) == nom)
            return e;
    }
    return {};
}

// The "Value" attribute of the child, nullopt when there is no such child. A child without
// the attribute makes the whole import fail.
std::optional<QString> valeurEnfant(const QDomElement& ets, const QString& nom)
{
    const QDomElement enfant = premierEnfant(ets, nom);
    if (enfant.isNull())
        return std::nullopt;
    if (!enfant.hasAttribute(QStringLiteral("Value")))
        throw ErreurConfig(QStringLiteral("L'élément \"%1\" de \"%2\" n'a pas d'attribut \"Value\"")
                               .arg(nom, nomLocal(ets)));
    return enfant.attribute(QStringLiteral("Value"));
}

QDomDocument chargerDocument(const QString& chemin)
{
    QFile fichier(chemin);
    if (QFileInfo(chemin).size() > kTailleMax)
        throw ErreurConfig(QStringLiteral("%1 : fichier trop volumineux (plus de %2 octets)").arg(chemin).arg(kTailleMax));
    if (!fichier.open(QIODevice::ReadOnly))
        throw ErreurConfig(QStringLiteral("%1 : %2").arg(chemin, fichier.errorString()));
    const QByteArray octets = fichier.read(qMin(fichier.size(), kTailleMax) + 1);
    if (octets.size() > kTailleMax)
        throw ErreurConfig(QStringLiteral("%1 : fichier trop volumineux (plus de %2 octets)").arg(chemin).arg(kTailleMax));
    QXmlStreamReader lecteur(octets);
    for (int profondeur = 0; !lecteur.atEnd();) {
        const auto jeton = lecteur.readNext();
        if (jeton == QXmlStreamReader::StartElement && ++profondeur > kProfondeurMax)
            throw ErreurConfig(QStringLiteral("%1 : éléments imbriqués sur plus de %2 niveaux (ligne %3)")
                                   .arg(chemin).arg(kProfondeurMax).arg(lecteur.lineNumber()));
        if (jeton == QXmlStreamReader::EndElement)
            --profondeur;
    }
    QDomDocument document;
    QString message;
    int ligne = 0;
    int colonne = 0;
    // Prefixes are stripped by name, so an undeclared prefix is no parse error.
    if (!document.setContent(octets, false, &message, &ligne, &colonne))
        throw ErreurConfig(QStringLiteral("%1 (ligne %2, colonne %3)").arg(message).arg(ligne).arg(colonne));
    return document;
}

} // namespace

void LireFichierEtablissements()
{
    ConfigServeurs = {TEnr_ConfigServeur{}};
    const QString chemin = ConfigPrg.DossierProfil + QStringLiteral("ZELTO_ETS.XML");
    const QDomDocument document = chargerDocument(chemin);

    const QDomElement racine = premierEnfant(document, QStringLiteral("Etablissement"));
    if (racine.isNull())
        throw ErreurConfig(QStringLiteral("%1 : l'élément racine n'est pas \"Etablissement\" (trouvé : \"%2\")")
                               .arg(chemin, document.documentElement().tagName()));

    for (int n = 1; n <= kNombreEtablissements; ++n) {
        const QDomElement ets = premierEnfant(racine, QStringLiteral("Ets%1").arg(n));
        if (ets.isNull())
            continue;
        const auto codeCentre = valeurEnfant(ets, QStringLiteral("CodeCentre"));
        if (!codeCentre)
            continue;
        const auto centre = FichierIni::convertirEntier(*codeCentre);
        if (!centre)
            throw ErreurConfig(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(*codeCentre));
        if (*centre <= 0)
            continue;

        TEnr_ConfigServeur entree;
        entree.Centre = *centre;
        entree.Token = valeurEnfant(ets, QStringLiteral("Code")).value_or(QString());
        entree.IPServeur = valeurEnfant(ets, QStringLiteral("IP")).value_or(QLatin1String(kIPServeurParDefaut));
        const auto alias = valeurEnfant(ets, QStringLiteral("Alias"));
        entree.Alias = !alias ? ConfigPrg.Alias : alias->isEmpty() ? QString(QLatin1String(kAliasParDefaut)) : *alias;
        entree.Nom = valeurEnfant(ets, QStringLiteral("Nom")).value_or(QString());
        entree.Racine = ConfigPrg.Racine;
        entree.PortDonnee = QLatin1String(kPortDonneeParDefaut);
        entree.Dernier = ConfigPrg.Dernier;
        entree.Temporaire = ConfigPrg.Temporaire;
        entree.MotDePasse = ConfigPrg.MotDePasse;
        ConfigServeurs.append(entree);
    }
}
