#include "batch/SignauxLot.h"

#include "db/Client.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstdlib>
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

SignauxLot::SignauxLot()
{
    g_recu = 0;
    fb::Client::laisserSignauxAuProgramme(true);
    if (::pipe2(g_tube, O_CLOEXEC) != 0)
        return;   // no interruption: the signals keep their effect
    m_veilleur = std::thread([this] { veiller(); });
    struct sigaction action {};
    action.sa_handler = surSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &g_avantInt);
    ::sigaction(SIGTERM, &action, &g_avantTerm);
}

void SignauxLot::veiller()
{
    for (;;) {
        char c = kFin;
        const ssize_t n = ::read(g_tube[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != 1 || c == kFin)
            return;
        std::unique_lock<std::mutex> verrou(m_verrou);
        if (m_interrompre) {
            m_interrompre();
            continue;
        }
        // Nothing changed yet: the command ends at its next step, unless that step never comes.
        if (m_reveil.wait_for(verrou, std::chrono::seconds(2), [this] { return m_acquitte || m_fin || m_interrompre; }))
            continue;
        const int numero = g_recu;
        static const char kRaison[] = "Interrompu pendant une lecture ou la connexion au serveur : rien n'a été modifié.\n";
        [[maybe_unused]] const ssize_t ecrit = ::write(STDOUT_FILENO, m_texteFin.constData(), size_t(m_texteFin.size()));
        [[maybe_unused]] const ssize_t dit = ::write(STDERR_FILENO, kRaison, sizeof kRaison - 1);
        std::_Exit(128 + numero);
    }
}

SignauxLot::~SignauxLot()
{
    fb::Client::laisserSignauxAuProgramme(false);
    if (!m_veilleur.joinable())
        return;
    ::sigaction(SIGINT, &g_avantInt, nullptr);
    ::sigaction(SIGTERM, &g_avantTerm, nullptr);
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_fin = true;
        m_interrompre = nullptr;
    }
    m_reveil.notify_all();
    [[maybe_unused]] const ssize_t n = ::write(g_tube[1], &kFin, 1);
    m_veilleur.join();
    ::close(g_tube[0]);
    ::close(g_tube[1]);
    g_tube[0] = g_tube[1] = -1;
}

void SignauxLot::confier(std::function<void()> interrompre)
{
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_interrompre = std::move(interrompre);
        if (m_interrompre && g_recu != 0)
            m_interrompre();
    }
    m_reveil.notify_all();
}

void SignauxLot::setTexteFin(const QByteArray& ligne)
{
    const std::lock_guard<std::mutex> verrou(m_verrou);
    m_texteFin = ligne;
}

void SignauxLot::acquitter()
{
    {
        const std::lock_guard<std::mutex> verrou(m_verrou);
        m_acquitte = true;
    }
    m_reveil.notify_all();
}

int SignauxLot::signalRecu() const
{
    return g_recu;
}

#else

SignauxLot::SignauxLot() = default;
SignauxLot::~SignauxLot() = default;
void SignauxLot::confier(std::function<void()> interrompre) { m_interrompre = std::move(interrompre); }
void SignauxLot::setTexteFin(const QByteArray& ligne) { m_texteFin = ligne; }
void SignauxLot::acquitter() { m_acquitte = true; }
int SignauxLot::signalRecu() const { return 0; }

#endif
