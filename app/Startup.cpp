#include "Startup.h"

#include "DefaultHandler.h"
#include "DwindleConfig.h"
#include "IBDatabase.h"
#include "JPEGImage.h"
#include "ShutdownSignals.h"
#include "TApplication.h"
#include "TfrmDwindle.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include <dlfcn.h>

#include <memory>

namespace dwindle {

const char* DefaultClientLibrary() noexcept
{
    return defaultClientLibrary().c_str();
}

void InitLibraries()
{
    int depth = 24;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        depth = screen->depth();
    InitJPEGDefaults(depth);
    RegisterJPEGFormats();
}

QString StartupFailureText(std::exception_ptr failure, const QString& module, std::uintptr_t address)
{
    const FailureDescription d = DescribeException(failure);
    QString message = d.message;
    if (!message.isEmpty() && !message.endsWith(u'.'))
        message += u'.';
    return QStringLiteral("Exception %1 in module %2 at %3.\n%4")
        .arg(d.className, module,
             QStringLiteral("%1").arg(static_cast<qulonglong>(address & 0xFFFFFFFFu), 8, 16, QLatin1Char('0')).toUpper(),
             message);
}

__attribute__((noinline)) std::uintptr_t CallerOffsetInModule() noexcept
{
    void* caller = __builtin_return_address(0);
    Dl_info info{};
    if (dladdr(caller, &info) == 0 || info.dli_fbase == nullptr)
        return 0;
    return reinterpret_cast<std::uintptr_t>(caller) - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
}

void ShowStartupFailure(std::exception_ptr failure, std::uintptr_t address) noexcept
{
    try {
        const QString module = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                        StartupFailureText(failure, module, address), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.setObjectName(QStringLiteral("ApplicationErrorBox"));
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    } catch (...) {
        // The program ends with code 1 whether or not the box could be shown.
    }
}

int runDwindle(int argc, char** argv, const DwindleConfig& config)
{
    TApplication app(argc, argv);
    if (config.onApplicationCreated)
        config.onApplicationCreated();

    std::unique_ptr<TfrmDwindle> frmDwindle;
    try {
        InitLibraries();
        frmDwindle = std::make_unique<TfrmDwindle>(config);
    } catch (...) {
        // The window never opens; the box names the failure and the program ends.
        ShowStartupFailure(std::current_exception(), CallerOffsetInModule());
        return 1;
    }

    // Termination requests from the system close the window like its close box.
    auto shutdownSignals = std::make_unique<ShutdownSignals>(frmDwindle.get());
    frmDwindle->show();
    frmDwindle->activateWindow();
    app.exec();
    shutdownSignals.reset();
    // The window releases its controls and then its components in reverse
    // creation order: the transaction is committed before the connection closes.
    frmDwindle.reset();
    return 0;
}

} // namespace dwindle
