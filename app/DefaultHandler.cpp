#include "DefaultHandler.h"

#include "ApplicationTitle.h"
#include "Exceptions.h"

#include <QApplication>
#include <QMetaObject>
#include <QWidget>

#include <new>

namespace dwindle {

FailureDescription DescribeException(std::exception_ptr failure) noexcept
{
    FailureDescription d;
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const EAbort& e) {
            d = {QString::fromLatin1(e.className()), QString::fromStdString(e.message()), true};
        } catch (const Exception& e) {
            d = {QString::fromLatin1(e.className()), QString::fromStdString(e.message()), false};
        } catch (const std::bad_alloc&) {
            const EOutOfMemory oom("Out of memory");
            d = {QString::fromLatin1(oom.className()), QString::fromStdString(oom.message()), false};
        } catch (const std::exception& e) {
            d = {QStringLiteral("Exception"), QString::fromUtf8(e.what()), false};
        } catch (...) {
            d = {QStringLiteral("Exception"), QStringLiteral("Unknown failure"), false};
        }
    } catch (...) {
        // Describing the failure ran out of memory itself; say at least that.
        d.className = QString();
        d.message = QString();
    }
    return d;
}

QString FailureText(const QString& message)
{
    // Compared as a character, not as the last byte of the UTF-8 text; every
    // character beyond ASCII has a code above "." either way.
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void HandleException(std::exception_ptr failure) noexcept
{
    try {
        if (QWidget* grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        const FailureDescription d = DescribeException(failure);
        if (d.silent)
            return;
        QMessageBox box(QMessageBox::Critical, ApplicationTitle(), FailureText(d.message), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.setObjectName(QStringLiteral("DefaultHandlerBox"));
        box.exec();
    } catch (...) {
        // Nothing is left to show a failure with (out of memory while building
        // the box); the program goes on.
    }
}

void PostException(std::exception_ptr failure) noexcept
{
    try {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(app, [failure] { HandleException(failure); }, Qt::QueuedConnection);
            return;
        }
    } catch (...) {
    }
    HandleException(failure);
}

} // namespace dwindle
