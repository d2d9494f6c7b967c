// Reading client numbers from CSV files of growing size: time per line, as a ratio to the
// smallest file, measured in one run (1.0 means linear; the sorted set adds a log factor).
#include "batch/NumerosCsv.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <cstdio>

namespace {

QByteArray fichier(int lignes)
{
    QByteArray octets = "Numero;Nom;Prenom\r\n";
    octets.reserve(lignes * 24);
    for (int i = 1; i <= lignes; ++i) {
        // One number in ten repeats an earlier one, as exports often do.
        const int numero = i % 10 == 0 ? i / 2 : i;
        octets += "\"" + QByteArray::number(numero) + "\";\"DUPONT\";\"Jean\"\r\n";
    }
    return octets;
}

double nanosecondesParLigne(int lignes, size_t& retenus)
{
    const QByteArray octets = fichier(lignes);
    QElapsedTimer chrono;
    chrono.start();
    const csv::EnsembleNumeros numeros = csv::NumerosClients(csv::LignesFichier(octets));
    const qint64 ns = chrono.nsecsElapsed();
    retenus = numeros.size();
    return double(ns) / lignes;
}

} // namespace

int main()
{
    const int tailles[] = {10000, 100000, 1000000};
    double reference = 0;
    for (int lignes : tailles) {
        size_t retenus = 0;
        const double parLigne = nanosecondesParLigne(lignes, retenus);
        if (reference == 0)
            reference = parLigne;
        std::printf("%8d lines, %8zu numbers: %.2f x the time per line of %d lines\n", lignes, retenus,
                    parLigne / reference, tailles[0]);
    }
    return 0;
}
