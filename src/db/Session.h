#pragma once
// The connection state of the process, shared by the window and the command line: the one
// connection, its one transaction, the general-purpose query, the centre number, and the
// script runner with the error handler of every script, its counter and its error lines
// (NbErreurs, mTemp: "--script" and the overlap procedure use them as the batch run does).
#include "db/Firebird.h"
#include "db/ScriptRunner.h"

#include <QObject>
#include <QStringList>
#include <atomic>

class OperatorInterface;

class Session : public QObject
{
    Q_OBJECT
public:
    explicit Session(QObject* parent = nullptr);
    ~Session() override;

    fb::Database dbZelto;
    fb::Transaction trZelto{dbZelto};
    fb::Query qryLocale{dbZelto, trZelto};

    qint32 centre = 0;          // the centre number; valid from 1000 once connected
    bool multiCentre = false;   // "Multi Centre" ticked on the selection page
    qint32 centreSelection() const { return multiCentre ? -1 : centre; }

    qint32 NbErreurs = 0;
    QStringList mTemp;

    // A run's interruption was asked for (set from any thread, with the cancellation of the
    // statement in progress): the statement it cancels is no error line, and no further
    // statement of the script runs.
    std::atomic_bool interruption{false};

    // An unexpected error was met (a run stopped on it, the overlap page could not read): the
    // attachment may be dead, so the next run or entry checks it first (RetablirConnexion).
    bool connexionAVerifier = false;

    // The script runner on the one transaction; every failed statement goes through
    // pFIBScripter1ExecuteError, which counts it, logs it in mTemp and lets the script go on
    // unless the run is being interrupted.
    ScriptRunner pFIBScripter1{dbZelto, trZelto,
                               [this](ScriptRunner& Sender, int StatementNo, int Line, const QStringList& Statement,
                                      int SQLCode, const QString& Msg, bool& doRollBack, bool& Stop) {
                                   pFIBScripter1ExecuteError(Sender, StatementNo, Line, Statement, SQLCode, Msg,
                                                             doRollBack, Stop);
                               }};
    void pFIBScripter1ExecuteError(ScriptRunner& Sender, int StatementNo, int Line, const QStringList& Statement,
                                   int SQLCode, const QString& Msg, bool& doRollBack, bool& Stop);

    // The commit that ends a step of a batch run: a real commit, or in a simulation (the
    // runner's Simulation flag) the start of the next segment of the one transaction.
    void validerEtape();
    bool simulation() const { return pFIBScripter1.Simulation; }

    QString titre() const { return m_titre; }
    void setTitre(const QString& titre);

Q_SIGNALS:
    void titreChange(const QString& titre);

private:
    QString m_titre = QStringLiteral("Module spécial");
};
