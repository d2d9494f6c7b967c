#pragma once
#include <QString>
#include <stdexcept>

// A failure of the database layer: the client library's full text and the SQL code.
// Lines of texte() are joined by LF, as the client library formats them.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString& texte, int sqlCode = -1, const QString& sqlState = QString())
        : std::runtime_error(texte.toStdString()), m_texte(texte), m_sqlCode(sqlCode), m_sqlState(sqlState)
    {
    }

    const QString& texte() const { return m_texte; }
    int sqlCode() const { return m_sqlCode; }   // -1 for a failure raised on the client side
    const QString& sqlState() const { return m_sqlState; }

    // The text with every line ended by CR LF (the form error handlers and boxes expect).
    QString texteCrLf() const
    {
        QString t = m_texte;
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        while (t.endsWith(QLatin1Char('\n')))
            t.chop(1);
        t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return t + QLatin1String("\r\n");
    }

private:
    QString m_texte;
    int m_sqlCode;
    QString m_sqlState;
};
