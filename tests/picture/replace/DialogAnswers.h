#pragma once
// Answers the real modal dialogs of the maintenance command from a test: a
// timer that waits for the dialog to become the active modal widget and then
// works it like a user would (typing, clicking, keys).

#include <QObject>
#include <QString>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>

class QComboBox;
class QFileDialog;
class QFileSystemModel;
class QInputDialog;
class QLineEdit;

// Texts in failure messages of the tests, readable.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace dwindle::test {

// Waits for the next modal dialog that accept() takes and calls answer with it
// once, from the event loop that the dialog runs. When answer returns and the
// dialog is still open, the test failed inside it: the dialog is rejected so
// that the test goes on, and a failure is recorded.
class ModalAnswer : public QObject {
public:
    ModalAnswer(std::function<bool(QWidget*)> accept, std::function<void(QWidget*)> answer);
    ~ModalAnswer() override;

    bool Answered() const noexcept { return answered_; }
    void Cancel() { timer_.stop(); }

private:
    void poll();

    std::function<bool(QWidget*)> accept_;
    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    bool answered_ = false;
};

std::unique_ptr<ModalAnswer> WhenFileDialogOpens(std::function<void(QFileDialog*)> answer);
std::unique_ptr<ModalAnswer> WhenInputBoxOpens(std::function<void(QInputDialog*)> answer);
// The preview window of the open-picture dialog.
std::unique_ptr<ModalAnswer> WhenPreviewWindowOpens(std::function<void(QDialog*)> answer);

// Parts of Qt's own file dialog that a user works with.
QLineEdit* FileNameEdit(QFileDialog* dialog);
QComboBox* FilterCombo(QFileDialog* dialog);
QLineEdit* InputEdit(QInputDialog* box);

// Types text into the file name field (replacing what it holds) and presses Enter.
void TypeFileNameAndOpen(QFileDialog* dialog, const QString& text);
// Selects a filter entry with the keyboard, as a user does.
void ChooseFilterEntry(QFileDialog* dialog, int zeroBasedIndex);
// Types text into the input box (replacing the selected "0") and presses Enter.
void TypeAnswerAndConfirm(QInputDialog* box, const QString& text);

// Processes events until condition holds or timeoutMs pass; returns condition().
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace dwindle::test
