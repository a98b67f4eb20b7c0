#pragma once
// The application's default handler: the one place where a failure that
// escapes a command, a paint or any other dispatched message is shown.
// Everything that Qt calls into is wrapped by Guarded (or reaches
// TApplication::notify), so no exception ever unwinds through Qt's frames.

#include <QMessageBox>
#include <QString>

#include <exception>
#include <string>
#include <utility>

namespace dwindle {

// What a caught exception says: its class name ("EIBClientError"), its message
// and whether it is the silent EAbort. std::bad_alloc reads as the platform's
// out-of-memory failure.
struct FailureDescription {
    QString className;
    QString message;
    bool silent = false;
};
FailureDescription DescribeException(std::exception_ptr failure) noexcept;

// The text of the default handler's box: the message with "." appended when
// the message is not empty and its last character's code is above that of "."
// (after a letter, a digit, "?" or ":"; not after ".", "!", ")", a blank, a
// quotation mark or a line break).
QString FailureText(const QString& message);

// Shows the failure in a modal box (caption the application title, critical
// icon, one OK) and returns when the user has closed it. EAbort shows nothing.
// A mouse grab is released first. Never throws.
void HandleException(std::exception_ptr failure) noexcept;

// Hands the failure to the default handler once the current event has been
// dispatched: for failures met while painting, where no modal box may open.
void PostException(std::exception_ptr failure) noexcept;

// Runs f; a failure goes to the default handler and does not leave the call.
template <class F>
void Guarded(F&& f) noexcept
{
    try {
        std::forward<F>(f)();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

} // namespace dwindle
