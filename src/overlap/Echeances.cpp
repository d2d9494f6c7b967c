#include "overlap/Echeances.h"

#include "config/FichierSortie.h"
#include "config/Texte.h"
#include "db/Firebird.h"

namespace {

// Rows are gathered into blocks of about this size before they reach the file.
constexpr qsizetype kTailleBloc = 64 * 1024;

QString texteValeur(const fb::Query& q, int colonne)
{
    if (q.isNull(colonne))
        return {};
    switch (q.columnType(colonne)) {
    case fb::TypeColonne::Entier:
        return QString::number(q.asInt64(colonne));
    case fb::TypeColonne::Decimal:
        return q.asDecimal(colonne).texte();
    case fb::TypeColonne::Date:
        return q.asDate(colonne).toString(QStringLiteral("yyyy-MM-dd"));
    default:
        return ChampCsv(q.value(colonne).toString());
    }
}

} // namespace

QString SqlEcheances()
{
    return QStringLiteral("SELECT CLI_ID NUMERO_CLIENT,\r\n"
                          "       CLI_NOM NOM_CLIENT,\r\n"
                          "       CLI_PRENOM PRENOM_CLIENT,\r\n"
                          "       ART_NOM ACCES,\r\n"
                          "       ECHE_DERNIERE_PREC FIN_ECHEANCE_PRECEDENTE,\r\n"
                          "       ECHE_PROCHAINE ECHEANCE_PROCHAINE,\r\n"
                          "       ECHE_DERNIERE ECHEANCE_DERNIERE FROM ECHEANCES_DOUBLONS  ");
}

QString SqlEcheancesTriees(int colonne, Qt::SortOrder ordre)
{
    return SqlEcheances() + QStringLiteral("\r\nORDER BY %1 %2")
                                .arg(colonne + 1)
                                .arg(ordre == Qt::AscendingOrder ? QLatin1String("ASC") : QLatin1String("DESC"));
}

QString SqlCompteEcheances()
{
    return QStringLiteral("SELECT COUNT(*) FROM (\r\n") + SqlEcheances() + QStringLiteral("\r\n)");
}

QString TitreLabel13()
{
    return QStringLiteral("Echéances dont les dates se chevauchent");
}

QString TexteLabel13(qint64 nombre)
{
    return TitreLabel13() + QStringLiteral(" :") + QString::number(nombre);
}

QString ChampCsv(const QString& texte)
{
    return texte::champCsv(texte);
}

ResultatExport ExporterEcheances(fb::Database& base, fb::Transaction& transaction, const QString& sql,
                                 FichierSortie& fichier)
{
    ResultatExport r;
    QByteArray bloc;
    const auto ecrire = [&](bool fin) {
        if (bloc.size() < kTailleBloc && !fin)
            return true;
        const bool ok = fichier.ecrire(bloc);
        bloc.clear();
        return ok;
    };
    const auto echecFichier = [&] {
        r.etat = ResultatExport::FichierImpossible;
        r.erreur = fichier.cause();
        fichier.abandonner();
        return r;
    };

    fb::Query q(base, transaction);
    try {
        transaction.start();
        q.setSql(sql);
        q.execute();
        QStringList titres;
        for (int c = 0; c < q.columnCount(); ++c)
            titres << ChampCsv(q.columnName(c));
        bloc += titres.join(QLatin1Char(';')).toUtf8() + "\r\n";
        QString ligne;
        for (; !q.eof(); q.next()) {
            ligne.clear();
            for (int c = 0; c < q.columnCount(); ++c) {
                if (c)
                    ligne += QLatin1Char(';');
                ligne += texteValeur(q, c);
            }
            bloc += ligne.toUtf8() + "\r\n";
            ++r.lignes;
            if (!ecrire(false))
                return echecFichier();
        }
        q.close();
        q.release();
    } catch (const DbError& e) {
        // Half a list would pass for the whole one: nothing is written.
        fichier.abandonner();
        r.etat = ResultatExport::LectureImpossible;
        r.erreur = e.texte();
        r.lignes = 0;
        return r;
    }
    if (!ecrire(true) || !fichier.valider())
        return echecFichier();
    return r;
}
