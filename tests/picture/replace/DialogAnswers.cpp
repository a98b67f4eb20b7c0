#include "DialogAnswers.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace dwindle::test {

namespace {
constexpr int kPollMs = 10;
} // namespace

ModalAnswer::ModalAnswer(std::function<bool(QWidget*)> accept, std::function<void(QWidget*)> answer)
    : accept_(std::move(accept)), answer_(std::move(answer))
{
    timer_.setInterval(kPollMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
}

ModalAnswer::~ModalAnswer() = default;

void ModalAnswer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || !accept_(modal))
        return;
    timer_.stop();
    answered_ = true;
    QPointer<QWidget> dialog(modal);
    answer_(modal);
    if (QWidget* still = dialog.data(); still != nullptr && still->isVisible()) {
        ADD_FAILURE() << "the dialog \"" << still->windowTitle().toStdString() << "\" was left open";
        if (auto* d = qobject_cast<QDialog*>(still))
            d->reject();
    }
}

std::unique_ptr<ModalAnswer> WhenFileDialogOpens(std::function<void(QFileDialog*)> answer)
{
    return std::make_unique<ModalAnswer>([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
                                         [answer](QWidget* w) { answer(qobject_cast<QFileDialog*>(w)); });
}

std::unique_ptr<ModalAnswer> WhenInputBoxOpens(std::function<void(QInputDialog*)> answer)
{
    return std::make_unique<ModalAnswer>([](QWidget* w) { return qobject_cast<QInputDialog*>(w) != nullptr; },
                                         [answer](QWidget* w) { answer(qobject_cast<QInputDialog*>(w)); });
}

std::unique_ptr<ModalAnswer> WhenPreviewWindowOpens(std::function<void(QDialog*)> answer)
{
    return std::make_unique<ModalAnswer>(
        [](QWidget* w) { return w->objectName() == QLatin1String("picturePreviewWindow"); },
        [answer](QWidget* w) { answer(qobject_cast<QDialog*>(w)); });
}

QLineEdit* FileNameEdit(QFileDialog* dialog)
{
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

QComboBox* FilterCombo(QFileDialog* dialog)
{
    return dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
}

QLineEdit* InputEdit(QInputDialog* box)
{
    return box->findChild<QLineEdit*>();
}

void TypeFileNameAndOpen(QFileDialog* dialog, const QString& text)
{
    QLineEdit* edit = FileNameEdit(dialog);
    ASSERT_NE(edit, nullptr);
    // A user types into the field of the active dialog: with the focus
    // elsewhere, Qt's dialog rewrites the field from the list's selection.
    QApplication::setActiveWindow(dialog);
    edit->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(edit->hasFocus());
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    // Typing a path may open the completion list, which would take the Enter
    // for itself; a user would close it first.
    if (QCompleter* completer = edit->completer(); completer && completer->popup()->isVisible())
        completer->popup()->hide();
    QTest::keyClick(edit, Qt::Key_Return);
}

void ChooseFilterEntry(QFileDialog* dialog, int zeroBasedIndex)
{
    QComboBox* combo = FilterCombo(dialog);
    ASSERT_NE(combo, nullptr);
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < zeroBasedIndex; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentIndex(), zeroBasedIndex);
}

void TypeAnswerAndConfirm(QInputDialog* box, const QString& text)
{
    QLineEdit* edit = InputEdit(box);
    ASSERT_NE(edit, nullptr);
    // The box opens with its text selected, so typing replaces it; an empty
    // answer is a Backspace over the selection.
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

} // namespace dwindle::test
