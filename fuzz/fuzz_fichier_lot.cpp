// Any bytes as a "--batch" job file, decoded as the file reading does. The reading either throws
// ErreurFichierLot with a message naming the file or returns a job that the run can take as it
// stands: no box that its source hides, no two boxes that exclude each other, a CSV file for the
// CSV source, valid dates, amounts with two decimals at most, choices within their lists.
#include "batch/ControleurSelection.h"
#include "batch/FichierLot.h"
#include "batch/Operations.h"
#include "config/Texte.h"

#include <QByteArray>
#include <QDir>

#include <cstdint>
#include <cstdlib>

namespace {

const QString kChemin = QStringLiteral("/srv/lots/essai.lot");

bool dansIntervalle(const std::optional<int>& v, int maximum)
{
    return !v || (*v >= 0 && *v <= maximum);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString texte = texte::decoderFichier(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    FichierLot job;
    try {
        job = FichierLot::analyser(kChemin, texte);
    } catch (const ErreurFichierLot& e) {
        if (e.message().isEmpty() || !e.message().contains(QDir::toNativeSeparators(kChemin)))
            std::abort();
        return 0;
    }
    if (job.chemin != kChemin || !dansIntervalle(job.rgSource, 2) || !dansIntervalle(job.rgChoix2, 1)
        || !dansIntervalle(job.MessageType, 2))
        std::abort();
    const int source = job.rgSource.value_or(ControleurSelection::ClientsActifs);
    for (const CaseOperation& d : CasesOperations()) {
        if (job.cochee(d.id) && !d.sources.isEmpty() && !d.sources.contains(source))
            std::abort();
        for (CaseOption exclue : d.exclues)
            if (job.cochee(d.id) && job.cochee(exclue))
                std::abort();
    }
    if (source == ControleurSelection::FichierCsv && (!job.JvFilenameEdit1 || job.JvFilenameEdit1->isEmpty()))
        std::abort();
    if (job.JvFilenameEdit1 && QDir::isRelativePath(*job.JvFilenameEdit1))
        std::abort();
    for (const QDate& d : job.dates)
        if (!d.isValid())
            std::abort();
    for (const fb::Decimal& m : job.montants)
        if (m.echelle < -2 || m.echelle > 0)
            std::abort();
    for (auto it = job.textes.cbegin(); it != job.textes.cend(); ++it)
        if (it.key() != QLatin1String("Memo1") && it.key() != QLatin1String("mmoSolde"))
            std::abort();
    return 0;
}
