#include "batch/SignauxLot.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_recu = 0;
int g_tube[2] = {-1, -1};
struct sigaction g_avantInt {};
struct sigaction g_avantTerm {};

constexpr char kReveil = 1;
constexpr char kFin = 0;

extern "C" void surSignal(int numero)
{
    if (g_recu != 0) {
        // The second one: no waiting for the run, the process ends by this signal.
        struct sigaction defaut {};
        defaut.sa_handler = SIG_DFL;
        sigemptyset(&defaut.sa_mask);
        ::sigaction(numero, &defaut, nullptr);
        ::raise(numero);
        return;
    }
    g_recu = numero;
    const int erreur = errno;
    [[maybe_unused]] const ssize_t n = ::write(g_tube[1], &kReveil, 1);
    errno = erreur;
}

} // namespace

SignauxLot::SignauxLot(std::function<void()> interrompre) : m_interrompre(std::move(interrompre))
{
    g_recu = 0;
    if (::pipe2(g_tube, O_CLOEXEC) != 0)
        return;   // no interruption: the signals keep their effect
    m_veilleur = std::thread([this] {
        for (;;) {
            char c = kFin;
            const ssize_t n = ::read(g_tube[0], &c, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n != 1 || c == kFin)
                return;
            m_interrompre();
        }
    });
    struct sigaction action {};
    action.sa_handler = surSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &g_avantInt);
    ::sigaction(SIGTERM, &action, &g_avantTerm);
}

SignauxLot::~SignauxLot()
{
    if (!m_veilleur.joinable())
        return;
    ::sigaction(SIGINT, &g_avantInt, nullptr);
    ::sigaction(SIGTERM, &g_avantTerm, nullptr);
    [[maybe_unused]] const ssize_t n = ::write(g_tube[1], &kFin, 1);
    m_veilleur.join();
    ::close(g_tube[0]);
    ::close(g_tube[1]);
    g_tube[0] = g_tube[1] = -1;
}

int SignauxLot::signalRecu() const
{
    return g_recu;
}

#else

SignauxLot::SignauxLot(std::function<void()> interrompre) : m_interrompre(std::move(interrompre)) {}
SignauxLot::~SignauxLot() = default;
int SignauxLot::signalRecu() const { return 0; }

#endif
