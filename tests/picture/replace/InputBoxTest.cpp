// The input box that asks for the picture id, run for real and answered with
// the keyboard and mouse.

#include "DialogAnswers.h"

#include "InputBox.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace dwindle;
using namespace dwindle::test;

namespace {

QString ask(const std::function<void(QInputDialog*)>& answer)
{
    auto watch = WhenInputBoxOpens(answer);
    const QString result = InputBox("ImageID to Update", "ImageId", "0", nullptr);
    EXPECT_TRUE(watch->Answered());
    return result;
}

QPushButton* button(QInputDialog* box, QDialogButtonBox::StandardButton which)
{
    auto* buttons = box->findChild<QDialogButtonBox*>();
    return buttons ? buttons->button(which) : nullptr;
}

TEST(InputBox, OpensWithCaptionPromptAndTheDefaultSelected)
{
    ask([](QInputDialog* box) {
        EXPECT_EQ(box->windowTitle(), "ImageID to Update");
        EXPECT_EQ(box->labelText(), "ImageId");
        QLineEdit* edit = InputEdit(box);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "0");
        EXPECT_EQ(edit->selectedText(), "0");
        EXPECT_EQ(edit->maxLength(), 255);
        QPushButton* ok = button(box, QDialogButtonBox::Ok);
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        ASSERT_NE(button(box, QDialogButtonBox::Cancel), nullptr);
        EXPECT_EQ(box->minimumSize(), box->maximumSize()); // fixed frame
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        const QRect screen = box->screen()->geometry();
        EXPECT_LE((box->frameGeometry().center() - screen.center()).manhattanLength(), 2);
        QTest::keyClick(edit, Qt::Key_Escape);
    });
}

struct Answer {
    const char* name;
    std::function<void(QInputDialog*)> act;
    QString expected;
};

class InputBoxAnswers : public ::testing::TestWithParam<Answer> {};

TEST_P(InputBoxAnswers, GivesTheTextAfterOkAndTheDefaultOtherwise)
{
    EXPECT_EQ(ask(GetParam().act), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, InputBoxAnswers,
    ::testing::Values(
        Answer{"TypedAndEnter", [](QInputDialog* b) { TypeAnswerAndConfirm(b, "17"); }, "17"},
        Answer{"EnterKeepsTheDefault", [](QInputDialog* b) { QTest::keyClick(InputEdit(b), Qt::Key_Return); }, "0"},
        Answer{"EmptiedAndEnter", [](QInputDialog* b) { TypeAnswerAndConfirm(b, ""); }, ""},
        Answer{"TrailingBlankKept", [](QInputDialog* b) { TypeAnswerAndConfirm(b, "7 "); }, "7 "},
        Answer{"OkClicked",
               [](QInputDialog* b) {
                   QTest::keyClicks(InputEdit(b), "42");
                   QTest::mouseClick(button(b, QDialogButtonBox::Ok), Qt::LeftButton);
               },
               "42"},
        Answer{"CancelClicked",
               [](QInputDialog* b) {
                   QTest::keyClicks(InputEdit(b), "42");
                   QTest::mouseClick(button(b, QDialogButtonBox::Cancel), Qt::LeftButton);
               },
               "0"},
        Answer{"Escape",
               [](QInputDialog* b) {
                   QTest::keyClicks(InputEdit(b), "42");
                   QTest::keyClick(InputEdit(b), Qt::Key_Escape);
               },
               "0"},
        Answer{"CloseBox",
               [](QInputDialog* b) {
                   QTest::keyClicks(InputEdit(b), "42");
                   b->close();
               },
               "0"},
        Answer{"At most 255 characters",
               [](QInputDialog* b) { TypeAnswerAndConfirm(b, QString(300, '9')); }, QString(255, '9')}),
    [](const auto& p) {
        QString name = p.param.name;
        return name.remove(' ').toStdString();
    });

} // namespace
