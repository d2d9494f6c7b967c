#pragma once
// SIGINT and SIGTERM during a run of "--batch". A signal handler may do almost nothing, so the
// first signal only wakes a thread of ours, which asks the run to stop (the cancellation then
// comes from a thread other than the one running the statement); a second signal ends the
// process at once. The previous dispositions come back when this object goes.
#include <functional>
#include <thread>

class SignauxLot
{
public:
    explicit SignauxLot(std::function<void()> interrompre);
    ~SignauxLot();
    SignauxLot(const SignauxLot&) = delete;
    SignauxLot& operator=(const SignauxLot&) = delete;

    // The first signal received (SIGINT or SIGTERM), 0 while none came.
    int signalRecu() const;

private:
    std::function<void()> m_interrompre;
    std::thread m_veilleur;
};
