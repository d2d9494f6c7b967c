// Any bytes as the establishment file. The import either throws ErreurConfig (the caller logs it)
// or leaves entry 0 and then only entries that can be used: a centre above 0, a connection string
// that names a server and a database.
#include "DossierEssai.h"
#include "config/ConfigPrg.h"
#include "config/ErreurConfig.h"
#include "config/Etablissements.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QTemporaryDir& dossier = dossierEssai();
    {
        QFile f(dossier.filePath(QStringLiteral("ZELTO_ETS.XML")));
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    ReinitialiserConfigPrg();
    ConfigPrg.DossierProfil = dossier.path() + u'/';
    ConfigPrg.Alias = QStringLiteral("ALIAS");
    try {
        LireFichierEtablissements();
    } catch (const ErreurConfig& e) {
        if (e.message().isEmpty())
            std::abort();
        return 0;
    }
    if (ConfigServeurs.isEmpty() || ConfigServeurs.size() > 61 || ConfigServeurs.constFirst().Centre != 0)
        std::abort();
    for (qsizetype i = 1; i < ConfigServeurs.size(); ++i) {
        const TEnr_ConfigServeur& e = ConfigServeurs.at(i);
        if (e.Centre <= 0 || e.Alias.isEmpty() || e.PortDonnee != QLatin1String(kPortDonneeParDefaut))
            std::abort();
    }
    return 0;
}
