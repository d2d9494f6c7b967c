#pragma once
#include "db/Decimal.h"

#include <QString>
#include <QtGlobal>

// An article offered in the article lists, with its default tariff.
struct tArticle
{
    qint64 Id = 0;
    QString Nom;
    fb::Decimal Prix{0, -4};   // four decimals; 0 when the tariff has no price
    qint64 IdTva = 0;

    friend bool operator==(const tArticle& a, const tArticle& b)
    {
        return a.Id == b.Id && a.Nom == b.Nom && a.Prix == b.Prix && a.IdTva == b.IdTva;
    }
};
