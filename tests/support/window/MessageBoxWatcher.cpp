#include "MessageBoxWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace dwindle::test {

MessageBoxWatcher::MessageBoxWatcher(int intervalMs)
{
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &MessageBoxWatcher::poll);
    timer_.start();
}

MessageBoxWatcher::~MessageBoxWatcher() = default;

void MessageBoxWatcher::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == lastAnswered_)
        return;
    lastAnswered_ = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes_.push_back({box->windowTitle(), box->text(), box->icon(), box->objectName()});
        if (boxObserver_)
            boxObserver_(*box);
        // A click on the box's own button, as a user would answer it.
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
        return;
    }
    if (dialogHandler_)
        dialogHandler_(modal);
    else if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
}

} // namespace dwindle::test
