#pragma once
#include <QString>
#include <stdexcept>

// A failure while reading or creating the configuration. It never reaches the operator:
// LireFichierConfig and CreerFichierConfig turn it into a line of the diagnostic log.
class ErreurConfig : public std::runtime_error
{
public:
    explicit ErreurConfig(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString& message() const { return m_message; }

private:
    QString m_message;
};
