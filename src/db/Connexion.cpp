#include "db/Connexion.h"

#include "operator/OperatorInterface.h"
#include "config/ConfigPrg.h"
#include "config/Environnement.h"
#include "db/Session.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <array>
#include <cstddef>
#include <limits>

#ifndef MSP_MOT_DE_PASSE_HEX
#error "MSP_MOT_DE_PASSE_HEX must come from the build (CMake option MSP_MOT_DE_PASSE)"
#endif

namespace {

// Each character at 1-based position i is xor-ed with 2 × i on 8 bits; the same operation
// undoes it. Done by the compiler, so that only the scrambled bytes reach the binary.
template <std::size_t N>
consteval std::array<unsigned char, N> brouiller(const char (&clair)[N + 1])
{
    std::array<unsigned char, N> r{};
    for (std::size_t i = 0; i < N; ++i)
        r[i] = static_cast<unsigned char>(static_cast<unsigned char>(clair[i]) ^ ((2 * (i + 1)) & 0xFF));
    return r;
}

consteval int chiffreHex(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : throw "hex";
}

template <std::size_t N>
consteval std::array<unsigned char, N> brouillerHex(const char (&hex)[2 * N + 1])
{
    char clair[N + 1]{};
    for (std::size_t i = 0; i < N; ++i)
        clair[i] = static_cast<char>(chiffreHex(hex[2 * i]) * 16 + chiffreHex(hex[2 * i + 1]));
    return brouiller<N>(clair);
}

static_assert(sizeof(MSP_MOT_DE_PASSE_HEX) == 2 * 11 + 1, "the built-in password has 11 characters");

constexpr std::array<unsigned char, 11> kOnze = brouillerHex<11>(MSP_MOT_DE_PASSE_HEX);
constexpr std::array<unsigned char, 8> kHuit = brouiller<8>("Zo&Mt9Q!");

// Read through volatile so that the optimiser cannot fold the clear text into the code.
template <std::size_t N>
QString debrouiller(const std::array<unsigned char, N>& brouille)
{
    const volatile unsigned char* octets = brouille.data();
    QByteArray r(static_cast<qsizetype>(N), '\0');
    for (std::size_t i = N; i-- > 0;)
        r[int(i)] = static_cast<char>(octets[i] ^ ((2 * (i + 1)) & 0xFF));
    return QString::fromLatin1(r);
}

QString messageConnexion(const DbError& e)
{
    QString texte = e.texteCrLf();
    texte.chop(2);   // the last line's CR LF: the message goes on after it
    QString message = QStringLiteral("Impossible de se connecter au serveur de données.\r\n\r\n") + texte;
    if (dynamic_cast<const fb::ErreurChargement*>(&e) || e.texte().contains(QLatin1String("Code : 126")))
        message += QStringLiteral("\r\n\r\nCause possible : fichier \"%1\" manquant ou version incorrecte.")
                       .arg(fb::Client::nomBibliothequePlateforme());
    return message;
}

// Starting a transaction is a round trip to the server: it fails on a dead attachment.
bool attachementVivant(fb::Database& db)
{
    if (!db.isOpen())
        return false;
    try {
        fb::Transaction essai(db);
        essai.start();
        essai.commit();
        return true;
    } catch (const DbError&) {
        return false;
    }
}

} // namespace

QString BibliothequeClient()
{
    const QString locale = DossierExecutable() + fb::Client::nomBibliothequePlateforme();
    if (QFileInfo(locale).isFile())
        return locale;
    return fb::Client::nomBibliothequePlateforme();
}

QString MotDePasseIntegre(bool flag)
{
    return flag ? debrouiller(kHuit) : debrouiller(kOnze);
}

QString ChaineConnexion()
{
    if (ConfigPrg.IPServeur.isEmpty())
        return ConfigPrg.Alias;
    return ConfigPrg.IPServeur + QLatin1Char('/') + ConfigPrg.PortDonnee + QLatin1Char(':') + ConfigPrg.Alias;
}

QString TitreConnexion(qint32 centre)
{
    return QStringLiteral("Module spécial [%1 - %2 - %3]").arg(QString::number(centre), ConfigPrg.IPServeur, ConfigPrg.Nom);
}

bool ConnecterBase(Session& session, OperatorInterface& operateur)
{
    fb::Database& db = session.dbZelto;
    try {
        db.close();
    } catch (const DbError&) {
        // the attachment is gone either way
    }
    db.setDatabaseName(ChaineConnexion());
    db.setLibraryName(BibliothequeClient());
    db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=") + MotDePasseIntegre(false),
                  QStringLiteral("lc_ctype=ISO8859_1")});
    try {
        db.open();
        session.trZelto.start();
    } catch (const DbError& e) {
        operateur.messageErreur(messageConnexion(e));
        return false;
    }

    // A missing CENTRE table or CONTEXT_ACTIVATION procedure ends the start like a refused
    // connection: going on would leave the operations with centre 0, which some of them
    // take as "every centre".
    fb::Query& q = session.qryLocale;
    qint64 centre = ConfigPrg.Centre;
    try {
        if (centre == -1) {
            q.setSql(QStringLiteral("SELECT FIRST 1 CTR_ID FROM CENTRE WHERE CTR_GENERATOR > 1"));
            q.execute();
            centre = q.eof() ? 0 : q.asInt64(0);
            q.close();
            q.release();
        }
    } catch (const DbError& e) {
        q.release();
        operateur.messageErreur(messageConnexion(e));
        return false;
    }
    if (centre < 1000 || centre > std::numeric_limits<qint32>::max()) {
        operateur.messageAvertissement(QStringLiteral("Configuration non valide\r\n(centre)"));
        QCoreApplication::quit();
        return false;
    }
    session.centre = qint32(centre);
    session.setTitre(TitreConnexion(session.centre));
    try {
        q.setSql(QStringLiteral("EXECUTE PROCEDURE CONTEXT_ACTIVATION(0,%1,'OUTILS')").arg(session.centre));
        q.execute();
        q.close();
        q.release();
    } catch (const DbError& e) {
        q.release();
        session.centre = 0;
        session.setTitre(QStringLiteral("Module spécial"));
        operateur.messageErreur(messageConnexion(e));
        return false;
    }
    return true;
}

bool RetablirConnexion(Session& session, OperatorInterface& operateur)
{
    if (!session.connexionAVerifier)
        return true;
    if (!attachementVivant(session.dbZelto) && !ConnecterBase(session, operateur))
        return false;
    session.connexionAVerifier = false;
    return true;
}

bool OuvrirConnexionAuDemarrage(Session& session, OperatorInterface& operateur)
{
    if (ConnecterBase(session, operateur))
        return true;
    operateur.erreur(QStringLiteral("Impossible de se connecter à la base"));
    return false;
}
