#include "ShutdownSignals.h"

#include "DefaultHandler.h"

#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace dwindle {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only do what is safe in a signal handler: it writes the
// signal's number into a pipe, and the event loop reads it from there.
int pipeFds[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

ShutdownSignals::ShutdownSignals(QWidget* window) : window_(window)
{
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without a pipe the system's default handling stays
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { deliver(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kSignals)
        sigaction(signalNumber, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals()
{
    if (notifier_ == nullptr)
        return;
    for (int signalNumber : kSignals)
        signal(signalNumber, SIG_DFL);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void ShutdownSignals::deliver()
{
    char bytes[64];
    while (::read(pipeFds[0], bytes, sizeof bytes) > 0) {
    }
    // A request during a run is refused by the close guard and not remembered.
    Guarded([this] { window_->close(); });
}

} // namespace dwindle
