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
    const QMutexLocker verrou(&m_mutex);
    m_libere = true;
    m_fait.wakeAll();
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
        const QMutexLocker verrou(&m_mutex);
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
                const QMutexLocker verrou(&m_mutex);
                libere = m_libere;
            }
            if (!libere)
                f(m_cible);
            const QMutexLocker verrou(&m_mutex);
            ++m_traitees;
            m_fait.wakeAll();
        },
        Qt::QueuedConnection);
    QMutexLocker verrou(&m_mutex);
    while (m_traitees < numero && !m_libere)
        m_fait.wait(&m_mutex);
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
        const QMutexLocker verrou(&m_mutex);
        *reponse = oui;
    });
    const QMutexLocker verrou(&m_mutex);
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
