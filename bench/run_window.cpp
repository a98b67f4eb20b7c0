// The whole program on the offscreen platform, driven through its window as a
// user would: Connect, then Run, then closing the window. Timed from the click
// on Run to the return of the program's own entry, so the commit at exit is in.
#include "RunBench.h"

#include "Controls.h"
#include "DwindleConfig.h"
#include "TfrmDwindle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <optional>
#include <stdexcept>

namespace dwindle::bench {

RunFigures runWindow(const std::string& connection, int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    RunFigures figures;
    const QString settingsDir = QDir::tempPath() + "/dwindle-bench-" + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(settingsDir);
    {
        QFile ini(settingsDir + "/paxtor.ini");
        if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error("cannot write the bench's paxtor.ini");
        const auto colon = connection.find(':');
        ini.write(("[PAXTOR]\nSERVER=" + connection.substr(0, colon) + "\nPATH=" + connection.substr(colon + 1) + "\n")
                      .c_str());
    }

    std::optional<std::chrono::steady_clock::time_point> start;
    DwindleConfig config;
    config.settingsDir = settingsDir.toStdString();
    config.onApplicationCreated = [&] {
        // Any message box means the run failed: note its text and close it,
        // so that the benchmark never waits for a user.
        auto* watcher = new QTimer(qApp);
        QObject::connect(watcher, &QTimer::timeout, [&figures] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                figures.failure += box->text().toStdString() + "\n";
                box->done(QMessageBox::Ok);
            }
        });
        watcher->start(100);
        QTimer::singleShot(0, qApp, [&] {
            TfrmDwindle* window = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* frm = qobject_cast<TfrmDwindle*>(w))
                    window = frm;
            if (window == nullptr) {
                figures.failure += "no window\n";
                QApplication::quit();
                return;
            }
            window->btnConnect->click();
            start = std::chrono::steady_clock::now();
            window->btnRun->click();
            window->close();
        });
    };
    const int code = runDwindle(argc, argv, config);
    const auto end = std::chrono::steady_clock::now();
    QDir(settingsDir).removeRecursively();
    if (code != 0)
        figures.failure += "program ended with code " + std::to_string(code) + "\n";
    if (start)
        figures.seconds = std::chrono::duration<double>(end - *start).count();
    figures.peakKiB = peakResidentKiB();
    return figures;
}

} // namespace dwindle::bench
