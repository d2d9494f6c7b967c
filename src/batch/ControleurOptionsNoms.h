#pragma once
// Names and dates shared by the options controller's files.
#include <QDate>
#include <QString>

namespace options_noms {

inline const QString kModes = QStringLiteral("cbModes");
inline const QString kModes2 = QStringLiteral("cbModes2");
inline const QString kModes4 = QStringLiteral("cbModes4");
inline const QString kArticle = QStringLiteral("cbArticle");
inline const QString kArticle2 = QStringLiteral("cbArticle2");

inline QDate premierDuMois(const QDate& jour)
{
    return QDate(jour.year(), jour.month(), 1);
}

} // namespace options_noms
