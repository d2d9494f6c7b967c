#pragma once
// The rules and the state of the overlap page, without any widget: entering it (the
// procedure created through the session's script runner, the dataset opened, the count in
// Label13), leaving it, sorting on the server by a column, and the CSV export.
#include <QObject>
#include <QString>

class ModeleEcheances;
class OperatorInterface;
class Session;

class ControleurDoublons : public QObject
{
    Q_OBJECT
public:
    ControleurDoublons(Session& session, OperatorInterface& operateur, QObject* parent = nullptr);

    ModeleEcheances& idsEcheances() const { return *m_modele; }
    QString label13() const { return m_label13; }

    // The page becomes the active one: the procedure is recreated and the rows read afresh,
    // in the server's order. Errors reach the operator; the page stays usable.
    void entrer();
    // The page is left or hidden: the dataset is closed and the page's transaction ended.
    void quitter();

    // A click on a column title: that column ascending, then descending on the next click,
    // the cursor re-opened on the server. -1: the server's own order.
    void trier(int colonne);
    int colonneTri() const { return m_colonneTri; }
    Qt::SortOrder ordreTri() const { return m_ordreTri; }

    // Every row, in the grid's order, into `fichier` (CSV, as "--doublons" writes it), from a
    // cursor of its own. Says how it went to the operator; true when the file was written.
    bool exporter(const QString& fichier);

Q_SIGNALS:
    void label13Change(const QString& texte);
    void triChange(int colonne, Qt::SortOrder ordre);

private:
    QString sqlCourant() const;
    bool ouvrirDataset();
    void compter();

    Session& m_session;
    OperatorInterface& m_operateur;
    ModeleEcheances* m_modele;
    QString m_label13;
    int m_colonneTri = -1;
    Qt::SortOrder m_ordreTri = Qt::AscendingOrder;
};
