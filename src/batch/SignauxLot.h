#pragma once
// SIGINT and SIGTERM during "--batch", from its first step: the job file's reading and the
// connection are part of the run, and a signal then must end it as an interruption, not as a
// failure. A signal handler may do almost nothing, so the first signal only wakes a thread of
// ours. While a run is entrusted (confier), that thread asks it to stop (the cancellation then
// comes from a thread other than the one running the statement). Before that, nothing has been
// changed: the command sees the signal at its next step (acquitter) and ends; when that step does
// not come within two seconds (a read or a connection attempt that does not return), the thread
// ends the process itself with the interruption's line and code. A second signal ends the
// process at once. The previous dispositions come back when this object goes.
#include <QByteArray>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class SignauxLot
{
public:
    SignauxLot();
    ~SignauxLot();
    SignauxLot(const SignauxLot&) = delete;
    SignauxLot& operator=(const SignauxLot&) = delete;

    // From now on a signal calls `interrompre`, at once when one came already; empty: the run
    // is gone, a signal is noted only.
    void confier(std::function<void()> interrompre);
    // The line standard output gets when the process is ended without the command's help.
    void setTexteFin(const QByteArray& ligne);
    // The command has seen the signal and ends by itself.
    void acquitter();

    // The first signal received (SIGINT or SIGTERM), 0 while none came.
    int signalRecu() const;

private:
    void veiller();

    std::mutex m_verrou;
    std::condition_variable m_reveil;
    std::function<void()> m_interrompre;
    QByteArray m_texteFin;
    bool m_acquitte = false;
    bool m_fin = false;
    std::thread m_veilleur;
};
