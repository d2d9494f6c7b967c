#pragma once
// The undo of a run as the window offers it: which journal "Défaire le dernier traitement"
// takes back, the question before any undo, and the undo itself on the thread that owns the
// connection, its outcome told to the operator. The page only wires it.
#include "annulation/Annulation.h"

#include <QObject>
#include <QString>
#include <mutex>

class OperatorInterface;
class Session;

class ControleurDefaire : public QObject
{
    Q_OBJECT
public:
    // `operateur` is reached from the undo's thread too (the window's relay).
    ControleurDefaire(Session& session, OperatorInterface& operateur, QObject* parent = nullptr);

    // After a real run. A run that wrote no journal changed nothing: the previous one stays
    // the last; one that did becomes it, and is offered only when its journal holds rows.
    void retenir(const QString& journal, qint64 lignes);
    // The last run's journal when it can be undone, else empty.
    QString dernier() const;

    // Reads the journal and asks the operator; false when declined or unreadable (the reading
    // error is then shown, and nothing is asked).
    bool confirmer(const QString& journal);
    static QString TexteQuestion(const QDateTime& moment, qint64 lignes);

    // Before the undo's thread starts: from here interrompre() reaches it, however early.
    void commencer();
    // On the thread that owns the connection: attaches again when the last error asks for it,
    // takes the run back and tells the operator how it went. A successful undo of the last
    // run leaves nothing to offer.
    Annulation::Resultat defaire(const QString& journal);
    // From any thread between commencer() and the end of defaire(); ignored otherwise.
    void interrompre();

Q_SIGNALS:
    // From the undo's thread.
    void progression(qint64 faites, qint64 total);

private:
    void rendreCompte(const Annulation::Resultat& r);

    Session& m_session;
    OperatorInterface& m_operateur;
    mutable std::mutex m_verrou;
    QString m_dernier;                   // canonical path
    Annulation* m_annulation = nullptr;  // the one in progress
    bool m_enCours = false;
    bool m_interrompu = false;
};
