#include "db/Session.h"

Session::Session(QObject* parent) : QObject(parent)
{
    trZelto.setParams({QStringLiteral("write"), QStringLiteral("wait"), QStringLiteral("rec_version"),
                       QStringLiteral("read_committed")});
}

Session::~Session() = default;

void Session::setTitre(const QString& titre)
{
    if (titre == m_titre)
        return;
    m_titre = titre;
    Q_EMIT titreChange(m_titre);
}

void Session::validerEtape()
{
    pFIBScripter1.valider(trZelto);
}
