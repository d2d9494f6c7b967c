#include "batch/Traitement.h"

#include "db/Session.h"

#include <chrono>

// The interruption: asked from any thread, repeated until the run has seen it, forgotten
// when the run ends so that it never reaches the next one.

Traitement::~Traitement()
{
    {
        const std::lock_guard<std::mutex> verrou(m_annulation);
        m_fini = true;
        m_vu.notify_all();
    }
    if (m_relance.joinable())
        m_relance.join();
}

void Traitement::interrompre()
{
    const std::lock_guard<std::mutex> verrou(m_annulation);
    if (m_fini || m_session.interruption.exchange(true))
        return;
    m_session.dbZelto.annulerOperation();
    // A request that finds no statement running is lost, and the run may be about to start
    // one: the request is made again every 100 ms until the run has seen it.
    m_relance = std::thread([this] {
        std::unique_lock<std::mutex> attente(m_annulation);
        while (!m_vu.wait_for(attente, std::chrono::milliseconds(100), [this] { return m_fini || m_acquitte; }))
            m_session.dbZelto.annulerOperation();
    });
}

bool Traitement::interrompu() const
{
    return m_session.interruption;
}

void Traitement::oublierAnnulation()
{
    // Taken once the request is seen, the lock waits for a cancellation being sent; after it
    // no other one is.
    const std::lock_guard<std::mutex> verrou(m_annulation);
    m_acquitte = true;
    m_vu.notify_all();
    m_session.dbZelto.oublierAnnulation();
}

void Traitement::finExecution()
{
    {
        const std::lock_guard<std::mutex> verrou(m_annulation);
        m_fini = true;
        m_vu.notify_all();
        if (m_session.interruption.exchange(false))
            m_session.dbZelto.oublierAnnulation();
    }
    if (m_relance.joinable())
        m_relance.join();
    const std::lock_guard<std::mutex> verrou(m_annulation);
    m_acquitte = false;
}
