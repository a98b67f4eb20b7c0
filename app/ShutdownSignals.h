#pragma once
// A request from the system to end the program (SIGTERM, SIGINT, SIGHUP: a
// log-off, a shutdown, Ctrl+C in the terminal) is handled like the close box:
// it goes through the window's close guard, so it is refused during a run, and
// otherwise the program ends normally and its transaction is committed.

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace dwindle {

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; each request then asks window to close.
    explicit ShutdownSignals(QWidget* window);
    // Puts the default handling back.
    ~ShutdownSignals() override;
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

private:
    void deliver();

    QWidget* window_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace dwindle
