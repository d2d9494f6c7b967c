#include "batch/Remplissage.h"

#include "db/Modeles.h"

namespace remplissage {

namespace {

const QChar kCaractere127(127);

// The memo editors hold LF; the scripts carry CR LF as the Windows memo gives it.
QString finsDeLigneCrLf(QString texte)
{
    texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    texte.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return texte;
}

qint64 idChoisi(const std::optional<qint64>& id)
{
    return id.value_or(0);
}

} // namespace

QString rogner(const QString& texte)
{
    qsizetype debut = 0;
    qsizetype fin = texte.size();
    while (debut < fin && texte.at(debut).unicode() <= 32)
        ++debut;
    while (fin > debut && texte.at(fin - 1).unicode() <= 32)
        --fin;
    return texte.mid(debut, fin - debut);
}

QString entier(qint64 valeur)
{
    return QString::number(valeur);
}

QString date(const QDate& valeur)
{
    return QLatin1Char('\'') + valeur.toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char('\'');
}

QString texteCite(const QString& texte)
{
    QString t = texte;
    // The client library reads a statement up to its first NUL: one inside the text would cut
    // the statement in its literal and fail the whole operation.
    t.remove(QChar(0));
    t.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

QString montant(const fb::Decimal& valeur, int decimales)
{
    // Decimals added as digits: scaling the value up could leave 64 bits (an amount of
    // 17 digits given with two decimals, filled with four) and send another number.
    if (valeur.echelle <= 0 && -valeur.echelle < decimales) {
        QString t = valeur.texte();
        if (valeur.echelle == 0)
            t += QLatin1Char('.');
        return t + QString(decimales + valeur.echelle, QLatin1Char('0'));
    }
    return valeur.arrondi(decimales).texte();
}

QString prix(const fb::Decimal& valeur)
{
    return valeur.texteCourt();
}

QString drapeau(bool coche)
{
    return coche ? QStringLiteral("-1") : QStringLiteral("0");
}

QString substituer(const QString& modele, const QList<Remplacement>& remplacements)
{
    QList<int> restantes;
    for (const Remplacement& r : remplacements)
        restantes.append(r.occurrencesMax);

    QString resultat;
    resultat.reserve(modele.size() + 256);
    qsizetype i = 0;
    while (i < modele.size()) {
        bool remplace = false;
        for (qsizetype k = 0; k < remplacements.size(); ++k) {
            const Remplacement& r = remplacements.at(k);
            if (restantes.at(k) == 0 || r.motif.isEmpty())
                continue;
            if (QStringView(modele).mid(i).startsWith(r.motif)) {
                resultat += r.valeur;
                i += r.motif.size();
                if (restantes.at(k) > 0)
                    --restantes[k];
                remplace = true;
                break;
            }
        }
        if (!remplace)
            resultat += modele.at(i++);
    }
    return resultat;
}

QString RemplirMSQL6(const ValeursOptions& v, const Centres& c)
{
    return substituer(TexteModele(QStringLiteral("mSQL6")),
                      {
                          {QStringLiteral(":IDCENTRE"), entier(c.centre)},
                          {QStringLiteral(":ECHEIDMOD"), entier(idChoisi(v.cbModes4))},
                          {QStringLiteral(":DATE1"), date(v.edtDateEch1)},
                          {QStringLiteral(":DATE2"), date(v.edtDateEch2)},
                          {QStringLiteral(":MONTANT1"), montant(v.edtMontant3)},
                          {QStringLiteral(":MONTANT2"), montant(v.edtMontant4)},
                          // Four decimals: the server divides it by 100, and two would cut
                          // a fractional percentage (112.5 % would act as 112 %).
                          {QStringLiteral(":VALEUR"), montant(v.edtValeur1, 4)},
                          {QStringLiteral(":CHOIX"), entier(v.rgChoix2)},
                          {QStringLiteral(":MODE"), drapeau(v.coche(CaseOption::cbModifMontant2))},
                      });
}

QString RemplirMSQL1(const ValeursOptions& v, const Centres& c)
{
    return substituer(TexteModele(QStringLiteral("mSQL1")),
                      {
                          {QStringLiteral("%CENTRE%"), entier(c.centre)},
                          {QStringLiteral("%DATE1%"), date(v.edtDateInc)},
                          {QStringLiteral("%DATE2%"), date(v.edtDate2Inc)},
                      });
}

QString RemplirMSQL2(const ValeursOptions& v, const Centres& c)
{
    return substituer(TexteModele(QStringLiteral("mSQL2")),
                      {
                          {QStringLiteral("%CENTRE%"), entier(c.centre)},
                          {QStringLiteral("%MSG%"), texteCite(finsDeLigneCrLf(v.Memo1) + kCaractere127)},
                      });
}

QString RemplirMSQL3(const ValeursOptions& v, const Centres& c)
{
    const tArticle article = v.cbArticle.value_or(tArticle{});
    return substituer(TexteModele(QStringLiteral("mSQL3")),
                      {
                          {QStringLiteral("%CENTRE%"), entier(c.centre)},
                          {QStringLiteral(":ECHE_IDTVA"), entier(article.IdTva)},
                          {QStringLiteral(":ECHE_IDMOD"), entier(idChoisi(v.cbModes))},
                          {QStringLiteral(":ECHE_IDART"), entier(article.Id)},
                          {QStringLiteral(":ECHE_PROCHAINE"), date(v.edtDateEch)},
                          {QStringLiteral(":ECHE_MONTANT"), prix(article.Prix)},
                          {QStringLiteral(":ECHE_LIBELLE"), texteCite(article.Nom + kCaractere127)},
                      });
}

QString RemplirMSQL4(const ValeursOptions& v, const Centres& c)
{
    // ":IDCENTRE" is also the block variable of this template: only its first two
    // occurrences, on the WHERE line, are the placeholder.
    return substituer(TexteModele(QStringLiteral("mSQL4")),
                      {
                          {QStringLiteral("%CENTRE%"), entier(c.centre)},
                          {QStringLiteral(":IDCENTRE"), entier(c.selection), 2},
                          {QStringLiteral(":REG_IDMOD"), entier(idChoisi(v.cbModes2))},
                          {QStringLiteral(":REG_DATE_PAIEMENT"), date(v.edtDateAnnul)},
                      });
}

QString RemplirMSQL7(const ValeursOptions& v, const Centres& c)
{
    const tArticle article = v.cbArticle2.value_or(tArticle{});
    return substituer(TexteModele(QStringLiteral("mSQL7")),
                      {
                          {QStringLiteral(":IDCENTRE"), entier(c.selection)},
                          {QStringLiteral(":IDARTICLE"), entier(article.Id)},
                          {QStringLiteral(":MSG"), texteCite(finsDeLigneCrLf(rogner(v.mmoSolde)))},
                          {QStringLiteral(":CMGTYPE"), entier(v.typeMessage)},
                      });
}

} // namespace remplissage
