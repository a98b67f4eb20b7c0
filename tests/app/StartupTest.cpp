// The program's start and end, run as a child process: a start without the
// client library, and a normal end after a write.

#include "TestDatabase.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace dwindle {
namespace {

struct ProbeResult {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QStringList lines;
};

ProbeResult runProbe(const QStringList& args)
{
    QProcess probe;
    probe.start(QStringLiteral(DWINDLE_STARTUP_PROBE), args);
    EXPECT_TRUE(probe.waitForFinished(60000)) << "the probe did not end";
    ProbeResult r;
    r.exitCode = probe.exitCode();
    r.status = probe.exitStatus();
    r.lines = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return r;
}

TEST(Startup, WithoutTheClientLibraryShowsTheApplicationErrorBoxAndExitsWithOne)
{
    testdb::TempDir settings;
    const ProbeResult r = runProbe({QStringLiteral("missing-library"), QString::fromStdString(settings.path())});
    EXPECT_EQ(r.status, QProcess::NormalExit);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.lines.size(), 1) << r.lines.join(u'|').toStdString();
    const QStringList box = r.lines[0].split(u'\t');
    ASSERT_EQ(box.size(), 4);
    EXPECT_EQ(box[0], QStringLiteral("BOX"));
    EXPECT_EQ(box[1], QStringLiteral("Application Error"));
    EXPECT_EQ(box[2].toInt(), 3); // QMessageBox::Critical
    const QRegularExpression text(QStringLiteral(
        "^Exception EIBClientError in module app_startup_probe at ([0-9A-F]{8})\\.\\\\n"
        "InterBase library libfbclient-missing\\.so\\.0 not found in the path\\. "
        "Please install InterBase to use this functionality\\.$"));
    const QRegularExpressionMatch m = text.match(box[3]);
    ASSERT_TRUE(m.hasMatch()) << box[3].toStdString();
    EXPECT_NE(m.captured(1), QStringLiteral("00000000")); // an address within the program
}

// Two ways to end the program after a write: its close box, and termination
// requests from the system (refused once while a run is flagged). Either way
// it exits with 0, shows no box, and the write is committed.
struct EndCase {
    const char* mode;
    QStringList expectedLines;
};

class ProgramEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(ProgramEnd, ExitsWithZeroAndCommitsTheWritesOfTheRun)
{
    testdb::TestDatabase db;
    testdb::TempDir settings;
    db.addPortrait(1, "Anna", "Berg", 10, testdb::randomBytes(400, 5));
    db.writeSettings(settings.path());

    const ProbeResult r = runProbe({QString::fromLatin1(GetParam().mode), QString::fromStdString(settings.path()),
                                    QStringLiteral("10")});
    EXPECT_EQ(r.status, QProcess::NormalExit);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.lines, GetParam().expectedLines);
    EXPECT_EQ(db.committedImage(10), testdb::randomBytes(1234, 99));
}

// The client library installs its own SIGTERM handler when it attaches; the
// program's must still be the one that answers.
INSTANTIATE_TEST_SUITE_P(
    Startup, ProgramEnd,
    ::testing::Values(EndCase{"normal-end", {QStringLiteral("WRITTEN")}},
                      EndCase{"terminated", {QStringLiteral("WRITTEN"), QStringLiteral("REFUSED")}}),
    [](const ::testing::TestParamInfo<EndCase>& param) {
        return std::string(param.param.mode) == "normal-end" ? std::string("CloseBox") : std::string("Terminated");
    });

} // namespace
} // namespace dwindle
