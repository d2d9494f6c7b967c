#pragma once
// An operator for tests: records every message instead of showing a box; the answer to the
// yes/no question is set beforehand.
#include "operator/OperatorInterface.h"

#include <QStringList>
#include <functional>

class RecordingOperator : public OperatorInterface
{
public:
    struct Message
    {
        QString genre;   // "avertissement", "erreur", "information", "question",
                         // "messageErreur", "messageAvertissement"
        QString texte;
    };

    QList<Message> messages;
    QStringList statuts;
    bool reponseQuestion = false;
    // Called with each status text as it is shown: a test acts at a given step of a run.
    std::function<void(const QString&)> surStatut;

    void avertissement(const QString& t) override { messages.append({QStringLiteral("avertissement"), t}); }
    void erreur(const QString& t) override { messages.append({QStringLiteral("erreur"), t}); }
    void information(const QString& t) override { messages.append({QStringLiteral("information"), t}); }
    bool question(const QString& t) override
    {
        messages.append({QStringLiteral("question"), t});
        return reponseQuestion;
    }
    void messageErreur(const QString& t) override { messages.append({QStringLiteral("messageErreur"), t}); }
    void messageAvertissement(const QString& t) override { messages.append({QStringLiteral("messageAvertissement"), t}); }
    void statut(const QString& t) override
    {
        statuts.append(t);
        if (surStatut)
            surStatut(t);
    }
    // The summary box: recorded as an "information" message, its details apart.
    QStringList details;
    void resume(const QString& t, const QStringList& d) override
    {
        information(t);
        details = d;
    }

    QStringList textes(const QString& genre) const
    {
        QStringList r;
        for (const auto& m : messages)
            if (m.genre == genre)
                r << m.texte;
        return r;
    }
};
