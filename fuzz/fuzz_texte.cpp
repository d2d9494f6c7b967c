// Any bytes through the text codec: every byte survives Windows-1252 both ways, a valid UTF-8
// file decodes to exactly its characters, and encoding any text gives one byte per character.
#include "config/Texte.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray octets(reinterpret_cast<const char*>(data), qsizetype(size));

    const QString cp1252 = texte::depuisCp1252(octets);
    if (cp1252.size() != octets.size() || texte::versCp1252(cp1252) != octets)
        std::abort();

    const QString decode = texte::decoderFichier(octets);
    if (texte::estUtf8Valide(octets)) {
        const bool bom = octets.startsWith("\xEF\xBB\xBF");
        if ((bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + decode.toUtf8() != octets)
            std::abort();
    } else if (decode != cp1252) {
        std::abort();
    }

    // The same bytes taken as UTF-16 text, lone surrogates included.
    const QString libre(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    if (texte::versCp1252(libre).size() != libre.size())
        std::abort();
    return 0;
}
