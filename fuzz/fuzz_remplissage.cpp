// Arbitrary option values (texts, dates, amounts, ids, choices) through the filling of the six
// operation templates. A filled script, cut into lines as the runner cuts it, always splits into
// the statements of its template, of the same kinds; outside its quoted literals it is the script
// that a plain text gives, also once through Windows-1252 as the connection sends it; no
// statement holds a NUL (the client library reads a statement up to its first NUL); amounts
// enter with their exact digits.
#include "batch/Operations.h"
#include "batch/Remplissage.h"
#include "db/Modeles.h"
#include "config/Texte.h"
#include "db/ScriptParser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

namespace {

// The script with each quoted literal's content left out, comments and identifiers kept.
QString squelette(const QString& s)
{
    QString r;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c == u'-' && i + 1 < n && s.at(i + 1) == u'-') {
            const qsizetype fin = s.indexOf(u'\n', i);
            const qsizetype f = fin < 0 ? n : fin;
            r += QStringView(s).mid(i, f - i);
            i = f;
        } else if (c == u'/' && i + 1 < n && s.at(i + 1) == u'*') {
            const qsizetype fin = s.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype f = fin < 0 ? n : fin + 2;
            r += QStringView(s).mid(i, f - i);
            i = f;
        } else if (c == u'"') {
            const qsizetype fin = s.indexOf(u'"', i + 1);
            const qsizetype f = fin < 0 ? n : fin + 1;
            r += QStringView(s).mid(i, f - i);
            i = f;
        } else if (c == u'\'') {
            ++i;
            bool ferme = false;
            while (i < n) {
                if (s.at(i) == u'\'') {
                    if (i + 1 < n && s.at(i + 1) == u'\'') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    ferme = true;
                    break;
                }
                ++i;
            }
            r += ferme ? QLatin1String("''") : QLatin1String("'<ouvert>");
        } else {
            r += c;
            ++i;
        }
    }
    return r;
}

QString texteFuzz(FuzzedDataProvider& p)
{
    const bool utf16 = p.ConsumeBool();
    const std::string octets = p.ConsumeRandomLengthString(600);
    if (utf16)
        return QString(reinterpret_cast<const QChar*>(octets.data()), qsizetype(octets.size() / 2));
    return QString::fromUtf8(octets.data(), qsizetype(octets.size()));
}

fb::Decimal montantFuzz(FuzzedDataProvider& p)
{
    return fb::Decimal{p.ConsumeIntegral<qint64>(), -2};
}

QDate dateFuzz(FuzzedDataProvider& p)
{
    return QDate::fromJulianDay(p.ConsumeIntegralInRange<qint64>(-1000000, 6000000));
}

std::optional<qint64> idFuzz(FuzzedDataProvider& p)
{
    if (p.ConsumeBool())
        return std::nullopt;
    return p.ConsumeIntegral<qint64>();
}

// The digits of a two-decimal amount followed by `zeros` zeros, computed apart from the filling.
QString chiffresAttendus(const fb::Decimal& d, int zeros)
{
    const bool negatif = d.valeur < 0;
    QString t = QString::number(negatif ? quint64(0) - quint64(d.valeur) : quint64(d.valeur));
    if (t.size() < 3)
        t.prepend(QString(3 - t.size(), u'0'));
    t.insert(t.size() - 2, u'.');
    t += QString(zeros, u'0');
    return negatif ? u'-' + t : t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider p(data, size);
    ValeursOptions v;
    v.setCoche(CaseOption::cbModifMontant2, p.ConsumeBool());
    v.setCoche(CaseOption::cbModifMontant, !v.coche(CaseOption::cbModifMontant2) && p.ConsumeBool());
    remplissage::Centres c;
    c.centre = p.ConsumeIntegral<qint32>();
    c.selection = p.ConsumeBool() ? -1 : c.centre;
    v.edtDateInc = dateFuzz(p);
    v.edtDate2Inc = dateFuzz(p);
    v.edtDateEch = dateFuzz(p);
    v.edtDateAnnul = dateFuzz(p);
    v.edtDateEch1 = dateFuzz(p);
    v.edtDateEch2 = dateFuzz(p);
    v.edtMontant3 = montantFuzz(p);
    v.edtMontant4 = montantFuzz(p);
    v.edtValeur1 = montantFuzz(p);
    v.rgChoix2 = p.ConsumeIntegralInRange(0, 1);
    v.typeMessage = p.ConsumeIntegralInRange(0, 2);
    v.cbModes = idFuzz(p);
    v.cbModes2 = idFuzz(p);
    v.cbModes4 = idFuzz(p);
    tArticle a{p.ConsumeIntegral<qint64>(), QString(), fb::Decimal{p.ConsumeIntegral<qint64>(), -4},
               p.ConsumeIntegral<qint64>()};
    tArticle a2{p.ConsumeIntegral<qint64>(), QString(), fb::Decimal{0, -4}, 0};
    ValeursOptions neutre = v;
    neutre.Memo1 = neutre.mmoSolde = a.Nom = a2.Nom = QStringLiteral("x");
    neutre.cbArticle = a;
    neutre.cbArticle2 = a2;
    v.Memo1 = texteFuzz(p);
    v.mmoSolde = texteFuzz(p);
    a.Nom = texteFuzz(p);
    a2.Nom = p.ConsumeBool() ? texteFuzz(p) : v.mmoSolde;
    if (p.ConsumeBool())
        v.cbArticle = a;
    if (p.ConsumeBool())
        v.cbArticle2 = a2;
    if (!v.cbArticle)
        neutre.cbArticle.reset();
    if (!v.cbArticle2)
        neutre.cbArticle2.reset();

    if (remplissage::montant(v.edtMontant3) != chiffresAttendus(v.edtMontant3, 0)
        || remplissage::montant(v.edtValeur1, 4) != chiffresAttendus(v.edtValeur1, 2))
        std::abort();

    static const QList<QList<ScriptStatement>> decoupes = [] {
        QList<QList<ScriptStatement>> d;
        for (const Operation& op : Operations())
            d.append(script::decouper(script::couperLignes(TexteModele(op.modele))));
        return d;
    }();
    for (qsizetype m = 0; m < Operations().size(); ++m) {
        const Operation& op = Operations().at(m);
        const QList<ScriptStatement>& attendues = decoupes.at(m);
        const QStringList lignes = script::couperLignes(op.remplir(v, c));
        const QList<ScriptStatement> obtenues = script::decouper(lignes);
        if (attendues.isEmpty() || obtenues.size() != attendues.size())
            std::abort();
        for (qsizetype i = 0; i < obtenues.size(); ++i) {
            if (obtenues.at(i).kind != attendues.at(i).kind)
                std::abort();
            if (script::texteInstruction(lignes, obtenues.at(i)).contains(QChar(0)))
                std::abort();
        }
        const QString envoye = lignes.join(QLatin1String("\r\n"));
        const QString plat = squelette(script::couperLignes(op.remplir(neutre, c)).join(QLatin1String("\r\n")));
        if (squelette(envoye) != plat || squelette(texte::depuisCp1252(texte::versCp1252(envoye))) != plat)
            std::abort();
    }
    return 0;
}
