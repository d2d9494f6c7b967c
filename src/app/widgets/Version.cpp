#include "app/widgets/Version.h"

namespace {

// What the program's version resource holds: one description block, French, whose
// description is empty.
constexpr const char* kNumeroVersion = MSP_VERSION;
constexpr QLocale::Language kLangueDescription = QLocale::French;
const QString kDescription;

}   // namespace

QString LireVersion(const QLocale& locale)
{
    const QString numero = QString::fromLatin1(kNumeroVersion);
    // The block is looked up under the workstation's language, then under US English: only a
    // French workstation finds it.
    const bool descriptionTrouvee = locale.language() == kLangueDescription;
    if (!descriptionTrouvee)
        return numero;
    return kDescription.left(255) + QLatin1Char(' ') + numero;
}
