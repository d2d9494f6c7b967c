#pragma once
// A transaction of one attachment.
#include <QString>
#include <QStringList>
#include <memory>

namespace fb {

class Database;

class Transaction
{
public:
    explicit Transaction(Database& base);
    ~Transaction();   // rolls back when still active, swallowing errors
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // "write", "read", "wait", "nowait", "rec_version", "no_rec_version", "read_committed",
    // "concurrency", "consistency"; given in order, as the TPB is built in that order.
    void setParams(const QStringList& parametres);

    void start();      // does nothing when already active
    void commit();     // hard commit; ends the transaction
    void rollback();   // ends the transaction
    bool isActive() const;

    // Sends one statement text unchanged (no parameter processing); a SELECT's rows are
    // read and discarded. Starts nothing: the transaction must be active.
    void executeImmediate(const QString& sql);

    struct Impl;
    Impl* impl() const { return d.get(); }

private:
    std::unique_ptr<Impl> d;
};

} // namespace fb
