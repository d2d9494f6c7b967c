// One entry of the overlap page, as the operator makes it: the window connected as at start
// (configuration root given, offscreen), "Doublons" pressed, and the time until the grid has
// painted its first rows. Prints "ms=… hwm_kb=… rows=… label=…" for bench/doublons.sh, which
// runs it on 1,000 and 100,000 overlapping rows in separate processes and prints the ratios.
//
//   bench_doublons RACINE      (QT_QPA_PLATFORM=offscreen; HOME and TEMP of the run)
#include "app/ConsoleOperator.h"
#include "kit/widgets/DBGridColor.h"
#include "app/widgets/TfrmMain.h"
#include "config/Environnement.h"
#include "db/Connexion.h"
#include "db/Session.h"
#include "overlap/ControleurDoublons.h"
#include "overlap/ModeleEcheances.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <cstdio>

namespace {

// Peak resident memory of this process (kB).
long picMemoire()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmHWM:"))
            return l.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

class Peinture : public QObject
{
public:
    bool peinte = false;
    bool armee = false;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (armee && e->type() == QEvent::Paint) {
            const bool r = QObject::eventFilter(o, e);
            peinte = true;
            return r;
        }
        return QObject::eventFilter(o, e);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_doublons RACINE\n");
        return 2;
    }
    QApplication app(argc, argv);
    DefinirDossierExecutable(QString::fromLocal8Bit(argv[1]));
    fb::FinClient fin;
    Session session;
    ConsoleOperator operateur;
    TfrmMain fenetre;
    fenetre.Timer1()->stop();
    fenetre.installerPageDoublons(session, operateur);
    if (!OuvrirConnexionAuDemarrage(session, operateur))
        return 2;
    fenetre.show();
    QApplication::processEvents();

    Peinture peinture;
    TDBGridColor* grille = fenetre.DBGridColor1();
    grille->viewport()->installEventFilter(&peinture);
    peinture.armee = true;
    QElapsedTimer chrono;
    chrono.start();
    fenetre.btnDoublonsClick();   // the page is entered while it is shown
    while (!(peinture.peinte && grille->model()->rowCount() > 0) && chrono.elapsed() < 600000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const qint64 ms = chrono.elapsed();
    std::printf("ms=%lld hwm_kb=%ld rows=%d label=%s\n", static_cast<long long>(ms), picMemoire(),
                grille->model()->rowCount(), fenetre.Label13()->text().section(u':', 1).toUtf8().constData());
    fenetre.activerPage(TfrmMain::PageLoadData);
    return 0;
}
