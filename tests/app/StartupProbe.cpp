// A small program that starts Dwindle's whole program (runDwindle) the way a
// test needs it, and reports what the user would have seen on stdout:
//   app_startup_probe missing-library <settingsDir>
//       starts with a client library that does not exist;
//   app_startup_probe normal-end <settingsDir> <imageId>
//       connects, writes a known picture over imageId and closes the window;
//   app_startup_probe terminated <settingsDir> <imageId>
//       connects and writes the same way, then sends itself SIGTERM twice:
//       first while a run is flagged (printing REFUSED when the window stays
//       open), then with no run.
// Every message box is answered and printed as one line:
//   BOX<TAB>caption<TAB>icon<TAB>text with "\n" for each line break

#include "DwindleConfig.h"
#include "MessageBoxWatcher.h"
#include "Stream.h"
#include "TestDatabase.h"
#include "TfrmDwindle.h"
#include "Controls.h"
#include "WindowTestAccess.h"

#include <QApplication>
#include <QTimer>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void printBox(QMessageBox& box)
{
    QString text = box.text();
    text.replace(u'\n', QStringLiteral("\\n"));
    std::printf("BOX\t%s\t%d\t%s\n", qPrintable(box.windowTitle()), static_cast<int>(box.icon()), qPrintable(text));
    std::fflush(stdout);
}

void answerBoxes()
{
    auto* watcher = new dwindle::test::MessageBoxWatcher;
    watcher->setParent(qApp);
    watcher->setBoxObserver(printBox);
}

// Waits for the program's window, then connects, writes, and ends it: by its
// close box, or by termination requests from the system.
void driveToEnd(std::int32_t imageId, bool bySignal)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, imageId, bySignal] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* form = qobject_cast<dwindle::TfrmDwindle*>(w);
            if (!form || !form->isVisible())
                continue;
            timer->stop();
            dwindle::test::Click(form->btnConnect);
            const dwindle::testdb::Bytes picture = dwindle::testdb::randomBytes(1234, 99);
            dwindle::TMemoryStream stream;
            stream.WriteBuffer(picture.data(), picture.size());
            dwindle::TfrmDwindleTestAccess::UpdateImage(*form, imageId, stream);
            std::printf("WRITTEN\n");
            std::fflush(stdout);
            if (!bySignal) {
                form->close();
                return;
            }
            dwindle::TfrmDwindleTestAccess::SetRunning(*form, true);
            ::kill(::getpid(), SIGTERM);
            QTimer::singleShot(300, form, [form] {
                if (form->isVisible())
                    std::printf("REFUSED\n");
                std::fflush(stdout);
                dwindle::TfrmDwindleTestAccess::SetRunning(*form, false);
                ::kill(::getpid(), SIGTERM);
            });
            return;
        }
    });
    timer->start(20);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 64;
    const std::string mode = argv[1];
    dwindle::DwindleConfig config;
    config.settingsDir = argv[2];
    if (mode == "missing-library") {
        config.clientLibrary = "libfbclient-missing.so.0";
        config.onApplicationCreated = answerBoxes;
    } else if ((mode == "normal-end" || mode == "terminated") && argc >= 4) {
        const std::int32_t imageId = std::atoi(argv[3]);
        const bool bySignal = mode == "terminated";
        config.onApplicationCreated = [imageId, bySignal] {
            answerBoxes();
            driveToEnd(imageId, bySignal);
        };
    } else {
        return 64;
    }
    int programArgc = 1;
    return dwindle::runDwindle(programArgc, argv, config);
}
