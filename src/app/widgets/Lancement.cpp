#include "app/widgets/Lancement.h"

#include <QApplication>
#include <QWidget>

int ExecuterFenetre(const OptionsLigneCommande&)
{
    // Placeholder until the main window lands.
    QWidget fenetre;
    fenetre.setWindowTitle(QStringLiteral("Module spécial"));
    fenetre.show();
    return QApplication::exec();
}
