#pragma once
// A batch run on a private copy of the club test database, as the window or the command line
// drives it, and a client made for the operations' finer cases.
#include "common/SessionEssai.h"
#include "batch/ControleurOptions.h"
#include "batch/ControleurSelection.h"
#include "batch/Traitement.h"
#include "common/RecordingOperator.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>

namespace lot_essai {

inline const QDateTime kMoment(QDate(2026, 3, 14), QTime(15, 9, 26));

inline QDate premierDuMois()
{
    const QDate j = QDate::currentDate();
    return QDate(j.year(), j.month(), 1);
}

inline QString sqlDate(const QDate& d)
{
    return QLatin1Char('\'') + d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
}

// One client of centre 1001 with two current activities: 900101 holds two direct debits of
// 40.00 in the current month and a cash entry, 900102 one direct debit of 30.00 by method 5.
inline QStringList clientFabrique()
{
    const QDate m0 = premierDuMois();
    const QDate j = QDate::currentDate();
    auto eche = [](int id, int act, int mode, const QDate& prochaine, const QString& montant) {
        return QStringLiteral("INSERT INTO ECHEANCIER (ECHE_ID, ECHE_IDCLI, ECHE_IDTVA, ECHE_IDMOD, ECHE_IDDEV, ECHE_IDART, "
                              "ECHE_IDACT, ECHE_PROCHAINE, ECHE_DERNIERE, ECHE_MONTANT, ECHE_LIBELLE, ECHE_VENTE, "
                              "ECHE_REGLEMENT, ECHE_NON_PAYEE, ECHE_CREATION_IDCTR) VALUES (%1, 900001, 1, %2, 'EUR', 201, "
                              "%3, %4, NULL, %5, 'Abonnement', -1, -1, 0, 1001)")
            .arg(id)
            .arg(mode)
            .arg(act)
            .arg(sqlDate(prochaine), montant);
    };
    return {
        QStringLiteral("INSERT INTO CLIENTS (CLI_ID, CLI_NOM, CLI_PRENOM, CLI_CENTRE) VALUES (900001, 'Fabre', 'Lé', 1001)"),
        QStringLiteral("INSERT INTO CLIENTS_ACTIVITE (ACT_ID, ACT_IDCLI, ACT_IDART, ACT_DEBUT, ACT_FIN) "
                       "VALUES (900101, 900001, 201, %1, %2)")
            .arg(sqlDate(m0.addYears(-1)), sqlDate(j.addMonths(6))),
        QStringLiteral("INSERT INTO CLIENTS_ACTIVITE (ACT_ID, ACT_IDCLI, ACT_IDART, ACT_DEBUT, ACT_FIN) "
                       "VALUES (900102, 900001, 203, %1, %2)")
            .arg(sqlDate(m0.addYears(-1)), sqlDate(j.addMonths(3))),
        eche(900201, 900101, 4, m0.addDays(9), QStringLiteral("40.00")),
        eche(900202, 900101, 4, m0.addDays(19), QStringLiteral("40.00")),
        eche(900203, 900101, 1, m0.addDays(14), QStringLiteral("40.00")),
        eche(900204, 900102, 5, m0.addDays(9), QStringLiteral("30.00")),
    };
}

// A run on a private copy of the database, as the window or the command line drives it.
struct Lot
{
    SessionEssai essai;
    RecordingOperator op;
    ControleurOptions options{essai.session, op};
    ControleurSelection selection{essai.session, options, op};
    Traitement traitement{essai.session, options, selection, op};
    QString journaux = essai.dossier.filePath(QStringLiteral("journaux"));

    Lot()
    {
        traitement.setDossierJournal(journaux);
        traitement.setDossierAnnulation(essai.dossier.filePath(QStringLiteral("annulation")));
        traitement.setHorloge([] { return kMoment; });
        selection.etatDemarrage();
    }

    void sourceCsv(const QList<qint64>& numeros)
    {
        QByteArray contenu;
        for (qint64 n : numeros)
            contenu += QByteArray::number(n) + "\r\n";
        const QString chemin = essai.dossier.filePath(QStringLiteral("clients.csv"));
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contenu);
        f.close();
        selection.setNomFichier(chemin);
        selection.appliquerSource(ControleurSelection::FichierCsv);
    }

    qint64 n(const QString& sql) { return essai.entier(sql); }
    QStringList journauxEcrits() const { return QDir(journaux).entryList(QDir::Files, QDir::Name); }
};

} // namespace lot_essai

using namespace lot_essai;
using Preparation = std::function<void(Lot&)>;
Q_DECLARE_METATYPE(Preparation)
