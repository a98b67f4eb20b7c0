// The application shell: the default handler's text rule and its boxes on
// every path a failure takes (a guarded handler, event dispatch, a paint),
// the application title, and the close guard.

#include "ApplicationTitle.h"
#include "Controls.h"
#include "DefaultHandler.h"
#include "Exceptions.h"
#include "JPEGImage.h"
#include "MessageBoxWatcher.h"
#include "Stream.h"
#include "TestDatabase.h"
#include "TfrmDwindle.h"
#include "WindowTestAccess.h"

#include <QApplication>
#include <QCloseEvent>
#include <QSessionManager>

#include <gtest/gtest.h>

#include <new>

namespace dwindle {
namespace {

// ---- The "." rule

struct TextRow {
    const char* message;
    const char* shown;
};

class FailureTextRule : public ::testing::TestWithParam<TextRow> {};

TEST_P(FailureTextRule, AppendsAFullStopAfterCharactersAboveIt)
{
    EXPECT_EQ(FailureText(QString::fromUtf8(GetParam().message)).toUtf8().toStdString(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Table, FailureTextRule,
                         ::testing::Values(TextRow{"Connection refused", "Connection refused."},
                                           TextRow{"Is the server running?", "Is the server running?."},
                                           TextRow{"JPEG error #42", "JPEG error #42."},
                                           TextRow{"Unknown host:", "Unknown host:."},
                                           TextRow{"Done.", "Done."},
                                           TextRow{"Stop!", "Stop!"},
                                           TextRow{"(lost)", "(lost)"},
                                           TextRow{"quoted \"x\"", "quoted \"x\""},
                                           TextRow{"trailing blank ", "trailing blank "},
                                           TextRow{"two lines\r\n", "two lines\r\n"},
                                           TextRow{"slash/", "slash/."}, // "/" is 0x2F, just above "."
                                           TextRow{"minus-", "minus-"},  // "-" is 0x2D, below "."
                                           TextRow{"", ""},
                                           TextRow{"Gr\xc3\xb6\xc3\x9f\x65 \xc3\xbc", "Gr\xc3\xb6\xc3\x9f\x65 \xc3\xbc."},
                                           TextRow{"\xe2\x80\xa6", "\xe2\x80\xa6."}));

// ---- The application title

struct TitleRow {
    const char* path;
    const char* title;
};

class TitleRule : public ::testing::TestWithParam<TitleRow> {};

TEST_P(TitleRule, FromTheExecutablesFileName)
{
    EXPECT_EQ(TitleFromExecutablePath(QString::fromUtf8(GetParam().path)).toStdString(), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Table, TitleRule,
                         ::testing::Values(TitleRow{"/usr/bin/Dwindle", "Dwindle"},
                                           TitleRow{"/usr/bin/DWINDLE", "Dwindle"},
                                           TitleRow{"/opt/Dwindle.old", "Dwindle"},
                                           TitleRow{"/opt/DWINDLE.EXE", "Dwindle"},
                                           TitleRow{"/usr/bin/dwindle", "dwindle"},
                                           TitleRow{"/srv/v1.2/dWINDLE", "dwindle"},
                                           TitleRow{"dwindle", "dwindle"},
                                           TitleRow{"/usr/bin/.hidden", ""}));

TEST(ApplicationTitle, IsTheRunningProgramsAndLeavesWindowCaptionsAlone)
{
    const QString title = TitleFromExecutablePath(QCoreApplication::applicationFilePath());
    EXPECT_EQ(ApplicationTitle(), title);
    EXPECT_EQ(QCoreApplication::applicationName(), title);
    testdb::TempDir settings;
    TfrmDwindle form(test::TestConfig(settings.path()));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Korvane Resize Employee Pictures"));
}

// ---- The default handler's boxes

struct FailureRow {
    const char* name;
    std::exception_ptr failure;
    const char* shown; // null: no box at all
};

class DefaultHandlerBoxes : public ::testing::TestWithParam<FailureRow> {};

TEST_P(DefaultHandlerBoxes, ShowTheMessageWithTheTitleAStopIconAndOneOk)
{
    test::MessageBoxWatcher watcher;
    std::vector<QMessageBox::StandardButtons> buttons;
    watcher.setBoxObserver([&](QMessageBox& box) { buttons.push_back(box.standardButtons()); });

    Guarded([&] { std::rethrow_exception(GetParam().failure); });

    if (!GetParam().shown) {
        EXPECT_TRUE(watcher.boxes().empty());
        return;
    }
    ASSERT_EQ(watcher.boxes().size(), 1u);
    const test::ShownBox& box = watcher.boxes().front();
    EXPECT_EQ(box.text.toStdString(), GetParam().shown);
    EXPECT_EQ(box.caption, ApplicationTitle());
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.objectName, QStringLiteral("DefaultHandlerBox"));
    EXPECT_EQ(buttons.front(), QMessageBox::StandardButtons(QMessageBox::Ok));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DefaultHandlerBoxes,
    ::testing::Values(
        FailureRow{"EAbortIsSilent", std::make_exception_ptr(EAbort("Operation aborted")), nullptr},
        FailureRow{"Letter", std::make_exception_ptr(EIBInterBaseError("Unable to complete network request to host \"nowhere\"\r\nFailed to locate host machine", -902, 335544721)),
                   "Unable to complete network request to host \"nowhere\"\r\nFailed to locate host machine."},
        FailureRow{"Codec", std::make_exception_ptr(EJPEG(42)), "JPEG error #42."},
        FailureRow{"Exclamation", std::make_exception_ptr(Exception("Stop!")), "Stop!"},
        FailureRow{"Empty", std::make_exception_ptr(EDatabaseError("")), ""},
        FailureRow{"Markup", std::make_exception_ptr(Exception("<b>not bold</b>")), "<b>not bold</b>."},
        FailureRow{"OutOfMemory", std::make_exception_ptr(std::bad_alloc()), "Out of memory."}),
    [](const ::testing::TestParamInfo<FailureRow>& row) { return std::string(row.param.name); });

// An object whose event handling fails without a guard of its own: the
// application's dispatch catches it.
class FailingReceiver : public QObject {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw EDatabaseError("qryImages: Field 'Nothing' not found");
        return QObject::event(e);
    }
};

TEST(DefaultHandler, CatchesWhatEscapesEventDispatchAndTheProgramGoesOn)
{
    test::MessageBoxWatcher watcher;
    FailingReceiver receiver;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, QStringLiteral("qryImages: Field 'Nothing' not found."));

    // Posted events come through the same dispatch.
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.boxes().size(), 2u);
}

TEST(DefaultHandler, APictureThatFailsToDecodeIsReportedOnceAfterItsFirstPaint)
{
    testdb::TempDir settings;
    auto form = test::ShowWindow(test::TestConfig(settings.path()));
    test::MessageBoxWatcher watcher;

    // A picture without bytes loads, and fails when it is first decoded.
    TMemoryStream empty;
    TJPEGImage image;
    image.LoadJpeg(empty);
    form->imgOriginal->SetPicture(&image);
    form->repaint();
    EXPECT_TRUE(watcher.boxes().empty()); // never inside the paint itself
    QTest::qWait(50);
    ASSERT_EQ(watcher.boxes().size(), 1u);
    EXPECT_EQ(watcher.boxes()[0].text, QStringLiteral("JPEG error #42."));

    // Later paints draw what the failed decode left, without a new report.
    form->repaint();
    QTest::qWait(50);
    EXPECT_EQ(watcher.boxes().size(), 1u);
    EXPECT_TRUE(form->isVisible());
}

// ---- The close guard

class CloseGuard : public ::testing::Test {
protected:
    void SetUp() override { form = test::ShowWindow(test::TestConfig(settings.path())); }
    testdb::TempDir settings;
    std::unique_ptr<TfrmDwindle> form;
};

TEST_F(CloseGuard, FormCloseQueryAnswersTheNegationOfTheBusyFlag)
{
    for (bool running : {false, true}) {
        TfrmDwindleTestAccess::SetRunning(*form, running);
        bool canClose = true;
        form->FormCloseQuery(form.get(), canClose);
        EXPECT_EQ(canClose, !running);
    }
}

TEST_F(CloseGuard, ACloseRequestDuringARunIsDroppedAndAnotherOneAfterItCloses)
{
    test::MessageBoxWatcher watcher;
    TfrmDwindleTestAccess::SetRunning(*form, true);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    QTest::qWait(20);
    EXPECT_TRUE(form->isVisible()); // not remembered for later
    EXPECT_TRUE(watcher.boxes().empty()); // refused without a message

    TfrmDwindleTestAccess::SetRunning(*form, false);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(CloseGuard, ASessionShutdownIsRefusedOnlyDuringARun)
{
    auto* manager = qApp->findChild<QSessionManager*>();
    ASSERT_NE(manager, nullptr) << "Qt was built without session management";
    // The request comes through the application's signal, as the platform
    // delivers it. Qt does not let a program read a cancel back, so this
    // checks that the answer is given on the live window and leaves it open
    // (a session that goes on ends the program through the close request).
    for (bool running : {true, false}) {
        TfrmDwindleTestAccess::SetRunning(*form, running);
        emit qApp->commitDataRequest(*manager);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(TfrmDwindleTestAccess::Running(*form), running);
    }
}

} // namespace
} // namespace dwindle
