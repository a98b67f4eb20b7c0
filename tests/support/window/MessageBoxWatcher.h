#pragma once
// Answers the real modal message boxes that the program opens (the default
// handler's box, the "Application Error" box) and records what each showed.
// It polls QApplication::activeModalWidget on a timer, which keeps running
// inside a box's own event loop, so a test just clicks and then reads boxes().

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

namespace dwindle::test {

struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString objectName; // "DefaultHandlerBox" or "ApplicationErrorBox"
};

class MessageBoxWatcher : public QObject {
    Q_OBJECT
public:
    explicit MessageBoxWatcher(int intervalMs = 10);
    ~MessageBoxWatcher() override;

    // Every message box answered since creation or the last clear(), oldest first.
    const std::vector<ShownBox>& boxes() const noexcept { return boxes_; }
    void clear() { boxes_.clear(); }

    // Called for any other modal widget (a file dialog, an input dialog); the
    // handler must close it. Without a handler such a dialog is rejected.
    void setDialogHandler(std::function<void(QWidget*)> handler) { dialogHandler_ = std::move(handler); }

    // Called with every message box before it is answered (to look at the box
    // itself); the watcher then presses its OK button.
    void setBoxObserver(std::function<void(QMessageBox&)> observer) { boxObserver_ = std::move(observer); }

private:
    void poll();

    QTimer timer_;
    std::vector<ShownBox> boxes_;
    QPointer<QWidget> lastAnswered_;
    std::function<void(QWidget*)> dialogHandler_;
    std::function<void(QMessageBox&)> boxObserver_;
};

} // namespace dwindle::test
