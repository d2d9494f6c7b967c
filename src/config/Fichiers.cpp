#include "config/Fichiers.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <limits>

namespace {

bool existe(const QString& chemin)
{
    const QFileInfo info(chemin);
    return info.exists() || info.isSymLink();
}

// Ends the local loop of Patienter when the application is asked to quit. The event itself is
// let through, so the application handles it as if the wait had not been there.
class GuetteurFin : public QObject
{
public:
    explicit GuetteurFin(QEventLoop& boucle) : m_boucle(boucle) {}
    bool vu = false;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (evenement->type() == QEvent::Quit && objet == QCoreApplication::instance()) {
            vu = true;
            m_boucle.quit();
        }
        return false;
    }

private:
    QEventLoop& m_boucle;
};

} // namespace

quint32 CompteurTicks()
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<quint32>(ms.count());
}

void Patienter(quint32 millisecondes)
{
    if (millisecondes == 0)
        return;
    QCoreApplication* application = QCoreApplication::instance();
    const quint32 debut = CompteurTicks();
    // Elapsed time rather than "tick below deadline": the counter wraps every 49.7 days.
    auto restant = [&]() -> qint64 {
        const quint32 ecoule = CompteurTicks() - debut;
        return ecoule >= millisecondes ? 0 : qint64(millisecondes - ecoule);
    };
    if (!application || QThread::currentThread() != application->thread()) {
        while (const qint64 r = restant())
            QThread::msleep(static_cast<unsigned long>(qMin<qint64>(r, 10)));
        return;
    }
    QEventLoop boucle;
    GuetteurFin guetteur(boucle);
    application->installEventFilter(&guetteur);
    QTimer minuterie;
    minuterie.setSingleShot(true);
    minuterie.setTimerType(Qt::PreciseTimer);
    QObject::connect(&minuterie, &QTimer::timeout, &boucle, &QEventLoop::quit);
    // An exit() of the application ends every running loop, this one included, and the
    // enclosing loops see it too.
    while (!guetteur.vu) {
        const qint64 r = restant();
        if (r == 0)
            break;
        minuterie.start(static_cast<int>(qMin<qint64>(r, std::numeric_limits<int>::max())));
        if (boucle.exec() != 0 || guetteur.vu)
            break;
        if (QCoreApplication::closingDown())
            break;
        if (minuterie.isActive())
            break;   // the loop was left by an exit() of the application
    }
    application->removeEventFilter(&guetteur);
}

bool EnvoyerCorbeille(const QString& chemin)
{
    if (!existe(chemin))
        return false;
    QFile fichier(chemin);
    return fichier.moveToTrash();
}

bool RenommerFichier(const QString& source, const QString& cible, bool silencieux)
{
    Q_UNUSED(silencieux);   // no dialog exists on this path
    if (!existe(source) || cible.isEmpty())
        return false;
    QString libre = cible;
    if (existe(libre)) {
        const QFileInfo info(cible);
        const QString dossier = info.path() + QLatin1Char('/');
        const QString base = info.completeBaseName();
        const QString suffixe = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
        for (int n = 2; existe(libre); ++n) {
            if (n > 100000)
                return false;
            libre = dossier + base + QStringLiteral(" (%1)").arg(n) + suffixe;
        }
    }
    return QFile::rename(source, libre);
}

bool SupprimerFichier(const QString& chemin)
{
    if (!existe(chemin))
        return true;
    quint32 t0 = 0;
    const bool corbeille = EnvoyerCorbeille(chemin);
    if (corbeille) {
        t0 = CompteurTicks();
        while (existe(chemin) && CompteurTicks() - t0 < 5000)
            Patienter(10);
    }
    if (existe(chemin)) {
        const quint32 ticks = corbeille ? t0 : CompteurTicks();
        const QString nouveau = chemin.left(qMax<qsizetype>(0, chemin.size() - 4)) + QString::number(ticks)
                                + QStringLiteral(".tmp");
        if (RenommerFichier(chemin, nouveau, true)) {
            const quint32 t1 = CompteurTicks();
            while (existe(chemin) && CompteurTicks() - t1 < 1000)
                Patienter(10);
        }
    }
    return !existe(chemin);
}
