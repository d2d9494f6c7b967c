// Parse time of growing scripts: the ratio time/size stays flat when splitting is linear.
// Two shapes: many statements (templates repeated) and one statement on one very long line.
#include "batch/Operations.h"
#include "db/Modeles.h"
#include "db/ScriptParser.h"

#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

namespace {

qint64 meilleurTemps(const QStringList& lignes, int essais)
{
    qint64 meilleur = std::numeric_limits<qint64>::max();
    for (int k = 0; k < essais; ++k) {
        QElapsedTimer t;
        t.start();
        const auto liste = script::decouper(lignes);
        const qint64 ns = t.nsecsElapsed();
        if (liste.isEmpty())
            std::abort();
        meilleur = std::min(meilleur, ns);
    }
    return meilleur;
}

qint64 taille(const QStringList& lignes)
{
    qint64 n = 0;
    for (const QString& l : lignes)
        n += l.size() + 2;
    return n;
}

void serie(const char* titre, const std::function<QStringList(int)>& fabriquer)
{
    std::printf("%s\n%10s %12s %12s %10s\n", titre, "chars", "ms", "ns/char", "ratio");
    double reference = 0;
    for (int facteur = 1; facteur <= 64; facteur *= 4) {
        const QStringList lignes = fabriquer(facteur);
        const qint64 n = taille(lignes);
        const qint64 ns = meilleurTemps(lignes, 5);
        const double parCar = double(ns) / double(n);
        if (reference == 0)
            reference = parCar;
        std::printf("%10lld %12.2f %12.2f %10.2f\n", static_cast<long long>(n), ns / 1e6, parCar, parCar / reference);
    }
}

} // namespace

int main()
{
    QStringList modeles;
    for (const Operation& op : Operations())
        modeles += script::couperLignes(TexteModele(op.modele));
    modeles += script::couperLignes(TexteModele(QStringLiteral("mSQL_PS1")));

    serie("templates repeated (many statements, SET TERM each time)", [&](int facteur) {
        QStringList lignes;
        for (int k = 0; k < 20 * facteur; ++k)
            lignes += modeles;
        return lignes;
    });
    serie("one statement on one line (quoted text, comments, ^ inside)", [](int facteur) {
        QString ligne = QStringLiteral("INSERT INTO T VALUES (");
        for (int k = 0; k < 4000 * facteur; ++k)
            ligne += QStringLiteral("'a;b^c' || /* ; */ 1 ^= 2 || ");
        ligne += QStringLiteral("'fin');");
        return QStringList{ligne};
    });
    std::printf("ratio: ns per character relative to the smallest size of the series (about 1 = linear)\n");
    return 0;
}
