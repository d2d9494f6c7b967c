// Any bytes as a script file: decoding, cutting into lines and splitting must neither crash nor
// hang, and every statement entry must describe text that exists.
#include "config/Texte.h"
#include "db/ScriptParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray octets(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lignes = script::couperLignes(texte::decoderFichier(octets));
    const QList<ScriptStatement> liste = script::decouper(lignes);

    qint32 precedente = -1;
    for (const ScriptStatement& st : liste) {
        const bool valide = st.startLine >= 0 && st.startLine <= st.endLine && st.endLine < lignes.size()
                            && st.startColumn >= 1 && st.startColumn <= quint32(lignes.at(st.startLine).size())
                            && st.endColumn <= quint32(lignes.at(st.endLine).size())
                            && (st.startLine < st.endLine || st.endColumn >= st.startColumn)
                            && st.startLine >= precedente;
        if (!valide)
            std::abort();
        precedente = st.endLine;
        const QString texte = script::texteInstruction(lignes, st);
        // A statement begins with what began it: never a blank.
        const char16_t premier = texte.isEmpty() ? u' ' : texte.at(0).unicode();
        if (premier == u' ' || premier == u'\t' || premier == u'\r' || premier == u'\n')
            std::abort();
        if (st.kind == StatementKind::Incomplete ? script::messageIncomplete(lignes, st).isEmpty()
                                                 : script::genreInstruction(texte) != st.kind)
            std::abort();
    }
    return 0;
}
