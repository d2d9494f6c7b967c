#pragma once
// Filling the operation templates: each placeholder of an operation is replaced by the text of
// its value, and the result is the script handed to the script runner. Pure functions: the
// templates never change, every run fills fresh copies from the values of that moment.
#include "batch/ValeursOptions.h"

#include <QDate>
#include <QList>
#include <QString>

namespace remplissage {

// The forms in which a value enters a script.
QString entier(qint64 valeur);                        // 2, -1
QString date(const QDate& valeur);                    // '05.06.2021'
QString texteCite(const QString& texte);              // 'L''accès'; NUL characters left out
QString montant(const fb::Decimal& valeur, int decimales = 2);   // 1000.00, -5.00
QString prix(const fb::Decimal& valeur);              // 39.95, 40, 12.5
QString drapeau(bool coche);                          // -1, 0
// The text without its leading and trailing characters of code 32 or below, as the
// templates receive the memos.
QString rogner(const QString& texte);

struct Remplacement
{
    QString motif;
    QString valeur;
    int occurrencesMax = -1;   // -1: every occurrence
};

// Replaces the placeholders in one pass over the template: at each place the first placeholder
// of the list that stands there is replaced, and the text that a replacement inserts is never
// searched again, so an operator's text that holds a placeholder word goes in unchanged.
QString substituer(const QString& modele, const QList<Remplacement>& remplacements);

// Where the operations act: the centre number, and the selection centre (-1 for Multi Centre).
struct Centres
{
    qint32 centre = 0;
    qint32 selection = 0;
};

// One filling per operation; an item that is not chosen fills as id 0 (the run's checks refuse
// such a run before any filling).
QString RemplirMSQL6(const ValeursOptions& v, const Centres& c);   // amounts
QString RemplirMSQL1(const ValeursOptions& v, const Centres& c);   // postponement
QString RemplirMSQL2(const ValeursOptions& v, const Centres& c);   // message
QString RemplirMSQL3(const ValeursOptions& v, const Centres& c);   // schedule entry
QString RemplirMSQL4(const ValeursOptions& v, const Centres& c);   // cancellation
QString RemplirMSQL7(const ValeursOptions& v, const Centres& c);   // balance reset

} // namespace remplissage
