#include "annulation/JournalAnnulation.h"

#include "db/Firebird.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace journal_annulation {

QString Dossier()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/module-special/journaux");
}

QString NomBase(const QDateTime& moment)
{
    return QStringLiteral("Journal_Brevan_") + moment.toString(QStringLiteral("yyMMdd-HHmmss")) + QStringLiteral(".sql");
}

QString CreationBase(fb::Database& base)
{
    fb::Transaction tr(base);
    tr.setParams({QStringLiteral("read"), QStringLiteral("nowait"), QStringLiteral("rec_version"),
                  QStringLiteral("read_committed")});
    tr.start();
    fb::Query q(base, tr);
    q.setSql(QStringLiteral("SELECT MON$CREATION_DATE FROM MON$DATABASE"));
    q.execute();
    const QString creation = QString::fromLatin1(q.asExactBytes(0));
    q.close();
    tr.commit();
    return creation;
}

} // namespace journal_annulation

namespace {

QString raisonSysteme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}

QString listeCellules(const QList<Cellule>& cellules)
{
    QStringList t;
    for (const Cellule& c : cellules)
        t << litteraux::ecrire(c);
    return t.join(QStringLiteral(", "));
}

QString conditionRetour(const LigneChangee& l, qint64 transaction)
{
    QStringList c;
    if (l.table->parDbKey()) {
        c << QStringLiteral("RDB$DB_KEY = ") + litteraux::ecrire(Cellule{fb::TypeColonne::Octets, false, l.dbKey});
    } else {
        const QList<Cellule>& img = l.image();
        for (const QString& k : l.table->cle)
            c << IdentifiantSql(k) + QStringLiteral(" = ") + litteraux::ecrire(img.value(int(l.table->colonnes.indexOf(k))));
    }
    c << QStringLiteral("RDB$RECORD_VERSION = ") + QString::number(transaction);
    return c.join(QStringLiteral(" AND "));
}

} // namespace

QString InstructionRetour(const LigneChangee& l, qint64 transaction)
{
    const StructureTable& s = *l.table;
    const QString table = IdentifiantSql(s.nom);
    switch (l.nature) {
    case LigneChangee::Nature::Ajout:
        return QStringLiteral("DELETE FROM %1 WHERE %2;").arg(table, conditionRetour(l, transaction));
    case LigneChangee::Nature::Suppression: {
        QStringList noms;
        for (const QString& c : s.colonnes)
            noms << IdentifiantSql(c);
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);").arg(table, noms.join(QStringLiteral(", ")), listeCellules(l.avant));
    }
    case LigneChangee::Nature::Modification:
        break;
    }
    QStringList affectations;
    for (int i = 0; i < s.colonnes.size(); ++i)
        if (!(l.avant.value(i) == l.apres.value(i)))
            affectations << IdentifiantSql(s.colonnes.at(i)) + QStringLiteral(" = ") + litteraux::ecrire(l.avant.value(i));
    // A row written again with the same values still carries the run's version: the undo
    // writes it too, so that an earlier operation of the run finds it as its own.
    if (affectations.isEmpty()) {
        const int i = s.parDbKey() ? 0 : int(s.colonnes.indexOf(s.cle.first()));
        affectations << IdentifiantSql(s.colonnes.at(i)) + QStringLiteral(" = ") + litteraux::ecrire(l.avant.value(i));
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3;").arg(table, affectations.join(QStringLiteral(", ")),
                                                            conditionRetour(l, transaction));
}

JournalAnnulation::~JournalAnnulation()
{
    fermer();
}

void JournalAnnulation::creer(const QString& dossier, const journal_annulation::EnteteJournal& entete)
{
    const QString base = QDir(dossier).filePath(journal_annulation::NomBase(entete.moment));
    if (!QDir().mkpath(dossier))
        throw ErreurJournalAnnulation(base, QStringLiteral("le dossier %1 ne peut pas être créé")
                                                .arg(QDir::toNativeSeparators(dossier)));
    QFile::setPermissions(dossier, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    for (int rang = 1;; ++rang) {
        QString chemin = base;
        if (rang > 1)
            chemin.insert(chemin.size() - 4, QStringLiteral("-%1").arg(rang));
        // O_EXCL: never over anything that exists, a link or a device included.
        const int fd = ::open(QFile::encodeName(chemin).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int erreur = errno;
            if (erreur == EEXIST && rang < 10000)
                continue;
            throw ErreurJournalAnnulation(chemin, raisonSysteme(erreur));
        }
        m_fd = fd;
        m_chemin = QFileInfo(chemin).absoluteFilePath();
        break;
    }
    ecrire(QString::fromUtf8(journal_annulation::kEntete));
    ecrire(QStringLiteral("-- Base : ") + entete.base);
    ecrire(QStringLiteral("-- Base créée le : ") + entete.creationBase);
    ecrire(QStringLiteral("-- Centre : ") + QString::number(entete.centre)
           + (entete.multiCentre ? QStringLiteral(" (Multi Centre)") : QString()));
    ecrire(QStringLiteral("-- Traitement du : ") + entete.moment.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    ecrire(QStringLiteral("-- Opérations : ") + entete.operations.join(QStringLiteral(", ")));
    ecrire(QStringLiteral("-- Chaque bloc remet les lignes d'une opération validée dans leur état d'avant."));
    ecrire(QStringLiteral("-- Pour défaire le traitement : module-special --annuler ") + m_chemin);
    ecrire(QString());
    vider(true);
    // The file's name is on disk too, so that a crash cannot leave a block without its file.
    const int dir = ::open(QFile::encodeName(QFileInfo(m_chemin).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void JournalAnnulation::debuterOperation(const QString& modele, qint64 transaction, const QList<CompteTable>& comptes)
{
    m_modele = modele;
    m_lignesBloc = 0;
    ecrire(QString::fromUtf8(journal_annulation::kDebutOperation) + modele + QStringLiteral(", transaction ")
           + QString::number(transaction));
    for (const CompteTable& c : comptes)
        if (!TableHorsJournal(c.table))
            ecrire(QStringLiteral("--   ") + ComptesModifications::ligne(modele, c));
    m_transaction = transaction;
}

void JournalAnnulation::ligne(const LigneChangee& l)
{
    // The undo binds every value as one parameter, whose length has 16 bits: a longer one
    // could be journalled but never put back.
    for (const QList<Cellule>* image : {&l.avant, &l.apres})
        for (int i = 0; i < image->size(); ++i)
            if (image->at(i).octets.size() > 0xFFFF)
                throw ErreurJournalAnnulation(
                    m_chemin, QStringLiteral("la valeur de %1.%2 (ligne %3) dépasse 64 Ko : l'annulation ne pourrait pas la "
                                             "remettre")
                                  .arg(l.table->nom, l.table->colonnes.value(i), l.texteCle()));
    ecrire(InstructionRetour(l, m_transaction));
    ++m_lignesBloc;
}

void JournalAnnulation::terminerOperation(qint64 duree)
{
    ecrire(QString::fromUtf8(journal_annulation::kFinOperation) + m_modele + QStringLiteral(" : ")
           + QString::number(m_lignesBloc) + QStringLiteral(" ligne(s)")
           + (duree >= 0 ? QStringLiteral(", relevées en %1 ms").arg(duree) : QString()));
    vider(true);
}

void JournalAnnulation::marquer(bool validee)
{
    if (m_fd < 0)
        return;
    try {
        ecrire(QString::fromUtf8(validee ? journal_annulation::kValidee : journal_annulation::kNonValidee));
        ecrire(QString());
        vider(false);
        if (validee)
            m_lignesValidees += m_lignesBloc;
    } catch (const ErreurJournalAnnulation&) {
    }
}

void JournalAnnulation::ecrire(const QString& texte)
{
    m_tampon += texte.toUtf8();
    m_tampon += '\n';
    if (m_tampon.size() >= 1 << 16)
        vider(false);
}

void JournalAnnulation::vider(bool surDisque)
{
    if (m_fd < 0)
        throw ErreurJournalAnnulation(m_chemin, QStringLiteral("le journal n'est pas ouvert"));
    qsizetype fait = 0;
    while (fait < m_tampon.size()) {
        const ssize_t n = ::write(m_fd, m_tampon.constData() + fait, size_t(m_tampon.size() - fait));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int erreur = errno;
            m_tampon.clear();
            throw ErreurJournalAnnulation(m_chemin, raisonSysteme(erreur));
        }
        fait += n;
    }
    m_tampon.clear();
    if (surDisque && ::fsync(m_fd) != 0)
        throw ErreurJournalAnnulation(m_chemin, raisonSysteme(errno));
}

void JournalAnnulation::fermer()
{
    if (m_fd < 0)
        return;
    try {
        vider(true);
    } catch (const ErreurJournalAnnulation&) {
    }
    ::close(m_fd);
    m_fd = -1;
}
