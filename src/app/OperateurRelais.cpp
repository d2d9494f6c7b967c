#include "app/OperateurRelais.h"

#include <QThread>
#include <memory>

OperateurRelais::OperateurRelais(OperatorInterface& cible, QObject* parent) : QObject(parent), m_cible(cible) {}

OperateurRelais::~OperateurRelais()
{
    liberer();
}

void OperateurRelais::liberer()
{
    const std::lock_guard<std::mutex> verrou(m_mutex);
    m_libere = true;
    m_fait.notify_all();
}

void OperateurRelais::setFermeture(bool fermeture)
{
    m_fermeture = fermeture;
}

void OperateurRelais::relayer(const std::function<void(OperatorInterface&)>& f)
{
    if (QThread::currentThread() == thread()) {
        f(m_cible);
        return;
    }
    quint64 numero = 0;
    {
        const std::lock_guard<std::mutex> verrou(m_mutex);
        if (m_libere)
            return;
        numero = ++m_demandes;
    }
    // Queued events of one sender arrive in order: call n is done once n calls are.
    QMetaObject::invokeMethod(
        this,
        [this, f] {
            bool libere = false;
            {
                const std::lock_guard<std::mutex> verrou(m_mutex);
                libere = m_libere;
            }
            if (!libere)
                f(m_cible);
            const std::lock_guard<std::mutex> verrou(m_mutex);
            ++m_traitees;
            m_fait.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> verrou(m_mutex);
    m_fait.wait(verrou, [&] { return m_traitees >= numero || m_libere; });
}

void OperateurRelais::avertissement(const QString& texte)
{
    relayer([this, texte](OperatorInterface& o) {
        if (!m_fermeture)
            o.avertissement(texte);
    });
}

void OperateurRelais::erreur(const QString& texte)
{
    relayer([texte](OperatorInterface& o) { o.erreur(texte); });
}

void OperateurRelais::information(const QString& texte)
{
    relayer([this, texte](OperatorInterface& o) {
        if (!m_fermeture)
            o.information(texte);
    });
}

bool OperateurRelais::question(const QString& texte)
{
    // Written on this object's thread and read by the caller, both under the lock: a caller
    // set free by liberer() may read while the answer comes.
    auto reponse = std::make_shared<bool>(false);
    relayer([this, texte, reponse](OperatorInterface& o) {
        const bool oui = !m_fermeture && o.question(texte);
        const std::lock_guard<std::mutex> verrou(m_mutex);
        *reponse = oui;
    });
    const std::lock_guard<std::mutex> verrou(m_mutex);
    return *reponse;
}

void OperateurRelais::messageErreur(const QString& texte)
{
    relayer([texte](OperatorInterface& o) { o.messageErreur(texte); });
}

void OperateurRelais::messageAvertissement(const QString& texte)
{
    relayer([this, texte](OperatorInterface& o) {
        if (!m_fermeture)
            o.messageAvertissement(texte);
    });
}

void OperateurRelais::statut(const QString& texte)
{
    relayer([this, texte](OperatorInterface& o) {
        if (!m_fermeture)
            o.statut(texte);
    });
}

void OperateurRelais::resume(const QString& texte, const QStringList& details)
{
    relayer([this, texte, details](OperatorInterface& o) {
        if (!m_fermeture)
            o.resume(texte, details);
    });
}
