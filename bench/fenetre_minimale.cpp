// The reference for the start-up benchmark: the least a Qt Widgets program does to show a window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget fenetre;
    fenetre.setWindowTitle(QStringLiteral("Fenetre minimale"));
    fenetre.resize(640, 480);
    fenetre.show();
    return app.exec();
}
