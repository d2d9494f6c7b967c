#pragma once
// Opening the one connection at start: client library, built-in password, connection string
// and parameters, the centre number, the title and the database context.
#include <QString>

class OperatorInterface;
class Session;

// The client library beside the executable when there is one, else the bare name for the
// system's library search.
QString BibliothequeClient();

// The built-in password: 11 characters with the flag clear (the connection's), 8 with it set.
// Built only at run time; never show, log or print it.
QString MotDePasseIntegre(bool flag);

// "IPServeur/PortDonnee:Alias", or Alias alone when IPServeur is empty (embedded engine).
QString ChaineConnexion();

// "Module spécial [centre - IPServeur - Nom]".
QString TitreConnexion(qint32 centre);

// Connects, resolves the centre number, sets the title and announces the centre to the
// database. Shows its own messages; false when any of it failed or the centre is not valid.
bool ConnecterBase(Session& session, OperatorInterface& operateur);

// After an unexpected error (session.connexionAVerifier) the attachment may be dead: the server
// restarted or killed, the network cut. Checks it with one round trip and, when it is dead,
// attaches again as the start does. False, the connection message shown, while the server still
// refuses: the check stays for the next try. True at once when nothing is to be checked.
bool RetablirConnexion(Session& session, OperatorInterface& operateur);

// The start of every entry point (the window's start timer, each command-line mode):
// ConnecterBase, and on failure the closing message. The caller ends the program on false.
bool OuvrirConnexionAuDemarrage(Session& session, OperatorInterface& operateur);
