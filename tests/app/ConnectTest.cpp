// Connect on the real server: clicks on the real button, the settings file
// read afresh on every click, failures shown by the default handler, and the
// connection's end with the window.

#include "Controls.h"
#include "DefaultHandler.h"
#include "Exceptions.h"
#include "IBDatabase.h"
#include "MessageBoxWatcher.h"
#include "Stream.h"
#include "TestDatabase.h"
#include "TfrmDwindle.h"
#include "WindowTestAccess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace dwindle {
namespace {

using testdb::Bytes;

void writeFile(const std::string& fileName, const std::string& text)
{
    std::ofstream(fileName, std::ios::binary | std::ios::trunc) << text;
}

class Connect : public ::testing::Test {
protected:
    void SetUp() override { form = test::ShowWindow(test::TestConfig(settings.path())); }

    void expectNotConnected()
    {
        EXPECT_FALSE(form->dbPaxtor->Connected());
        EXPECT_TRUE(form->btnConnect->isEnabled());
        EXPECT_FALSE(form->btnRun->isEnabled());
    }
    void expectConnected()
    {
        EXPECT_TRUE(form->dbPaxtor->Connected());
        EXPECT_FALSE(form->btnConnect->isEnabled());
        EXPECT_TRUE(form->btnRun->isEnabled());
        EXPECT_EQ(form->dbPaxtor->DatabaseName(), db.connectionString());
        EXPECT_EQ(form->dbPaxtor->Params(), (std::vector<std::string>{"user_name=photokeeper", "password=kd370"}));
    }

    testdb::TestDatabase db;
    testdb::TempDir settings;
    std::unique_ptr<TfrmDwindle> form;
    test::MessageBoxWatcher watcher;
};

TEST_F(Connect, AGoodSettingsFileConnectsAndConnectIsDisabledForGood)
{
    db.writeSettings(settings.path());
    test::Click(form->btnConnect);
    EXPECT_TRUE(watcher.boxes().empty());
    expectConnected();

    // A disabled Connect ignores clicks, even with the file gone.
    std::remove(settings.file("paxtor.ini").c_str());
    test::Click(form->btnConnect);
    EXPECT_TRUE(watcher.boxes().empty());
    expectConnected();
}

TEST_F(Connect, NamesInOtherLetterCaseAndBlanksAroundThemAreRead)
{
    writeFile(settings.file("paxtor.ini"),
              "; written by hand\n[other]\nserver=nowhere.invalid\n\n[Paxtor]\n  Server = 127.0.0.1  \npAtH=" + db.path() + "\n");
    test::Click(form->btnConnect);
    EXPECT_TRUE(watcher.boxes().empty());
    expectConnected();
}

struct BadSettings {
    const char* name;
    // The file's content, given the test database's path; null: no file.
    std::string (*content)(const std::string& path);
    const char* composedName; // DatabaseName after the failure ("%1": the path)
    const char* fragment;     // a part of the client's message
};

std::string badPath(const std::string&) { return "[PAXTOR]\nSERVER=127.0.0.1\nPATH=/nonexistent/hr.fdb\n"; }
std::string unknownHost(const std::string& path) { return "[PAXTOR]\nSERVER=nohost.invalid\nPATH=" + path + "\n"; }
std::string pathOnly(const std::string& path) { return "[PAXTOR]\nPATH=" + path + "\n"; }

class ConnectFailure : public Connect, public ::testing::WithParamInterface<BadSettings> {};

TEST_P(ConnectFailure, IsShownWithTheFullStopRuleAndACorrectedFileConnectsOnTheNextClick)
{
    const BadSettings& bad = GetParam();
    if (bad.content)
        writeFile(settings.file("paxtor.ini"), bad.content(db.path()));

    // Twice: every click reads the file again and fails the same way.
    for (int click = 1; click <= 2; ++click) {
        SCOPED_TRACE(click);
        test::Click(form->btnConnect);
        ASSERT_EQ(watcher.boxes().size(), static_cast<std::size_t>(click));
        const test::ShownBox& box = watcher.boxes().back();
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_FALSE(box.text.isEmpty());
        EXPECT_TRUE(box.text.contains(QString::fromUtf8(bad.fragment))) << box.text.toStdString();
        // The client's last line ends in a letter or figure, so the box adds
        // exactly one full stop.
        EXPECT_TRUE(box.text.endsWith(u'.')) << box.text.toStdString();
        EXPECT_FALSE(box.text.endsWith(QStringLiteral(".."))) << box.text.toStdString();
        std::string composed = bad.composedName;
        if (const auto at = composed.find("%1"); at != std::string::npos)
            composed.replace(at, 2, db.path());
        EXPECT_EQ(form->dbPaxtor->DatabaseName(), composed);
        expectNotConnected();
    }

    db.writeSettings(settings.path());
    test::Click(form->btnConnect);
    EXPECT_EQ(watcher.boxes().size(), 2u);
    expectConnected();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConnectFailure,
    ::testing::Values(BadSettings{"NoSettingsFile", nullptr, ":", ""},
                      BadSettings{"NoServerKey", pathOnly, ":%1", ""},
                      BadSettings{"WrongPath", badPath, "127.0.0.1:/nonexistent/hr.fdb", "/nonexistent/hr.fdb"},
                      BadSettings{"UnknownHost", unknownHost, "nohost.invalid:%1", "nohost.invalid"}),
    [](const ::testing::TestParamInfo<BadSettings>& row) { return std::string(row.param.name); });

TEST_F(Connect, ClosingTheWindowCommitsWhatWasWrittenBeforeTheConnectionEnds)
{
    const Bytes before = testdb::randomBytes(300, 7);
    const Bytes after = testdb::randomBytes(200, 8);
    db.addPortrait(1, "Anna", "Berg", 10, before);
    db.writeSettings(settings.path());
    test::Click(form->btnConnect);
    ASSERT_TRUE(form->dbPaxtor->Connected());

    TMemoryStream stream;
    stream.WriteBuffer(after.data(), after.size());
    TfrmDwindleTestAccess::UpdateImage(*form, 10, stream);
    EXPECT_EQ(db.committedImage(10), before); // still inside the open transaction

    form.reset();
    EXPECT_EQ(db.committedImage(10), after);
    EXPECT_TRUE(watcher.boxes().empty());
}

TEST(WindowCreation, FailsWithTheClientErrorWhenTheClientLibraryIsMissing)
{
    testdb::TempDir settings;
    DwindleConfig config = test::TestConfig(settings.path());
    config.clientLibrary = "libfbclient-missing.so.0";
    try {
        TfrmDwindle form(config);
        FAIL() << "the window was created";
    } catch (const EIBClientError& e) {
        EXPECT_EQ(e.message(), "InterBase library libfbclient-missing.so.0 not found in the path. "
                               "Please install InterBase to use this functionality");
    }
    EXPECT_TRUE(QApplication::topLevelWidgets().empty() ||
                std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return w->inherits("dwindle::TfrmDwindle"); }));
}

} // namespace
} // namespace dwindle
