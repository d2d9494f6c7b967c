#pragma once
// The operator of a run that works on another thread: every call is carried to the thread of
// this object (the window's) and handed to the real operator there, and the calling thread
// waits for it, so that a box is answered before the run goes on, as if the run were on the
// window's thread. On its own thread the call goes straight through.
#include "operator/OperatorInterface.h"

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>

class OperateurRelais : public QObject, public OperatorInterface
{
    Q_OBJECT
public:
    explicit OperateurRelais(OperatorInterface& cible, QObject* parent = nullptr);
    ~OperateurRelais() override;

    void avertissement(const QString& texte) override;
    void erreur(const QString& texte) override;
    void information(const QString& texte) override;
    bool question(const QString& texte) override;
    void messageErreur(const QString& texte) override;
    void messageAvertissement(const QString& texte) override;
    void statut(const QString& texte) override;
    void resume(const QString& texte, const QStringList& details) override;

    // The window is closing during a run: from now on only errors reach the operator; the
    // question is answered no, status texts and the summary are dropped.
    void setFermeture(bool fermeture);
    // Nobody will answer any more (the window is going): waiting calls return at once.
    void liberer();

private:
    // Runs f with the real operator on this object's thread and waits for it.
    void relayer(const std::function<void(OperatorInterface&)>& f);

    OperatorInterface& m_cible;
    // The standard ones rather than QMutex: their waits are seen by ThreadSanitizer.
    std::mutex m_mutex;
    std::condition_variable m_fait;
    quint64 m_demandes = 0;   // calls posted
    quint64 m_traitees = 0;   // calls done (in posting order)
    bool m_libere = false;
    bool m_fermeture = false;   // read and written on this object's thread only
};
