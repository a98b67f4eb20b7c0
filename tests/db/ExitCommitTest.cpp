// Writes become permanent only when the program ends normally: real child
// processes write a picture and then end, normally or by SIGKILL.

#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <string>
#include <vector>

extern char** environ;

namespace dwindle {
namespace {

using testdb::randomBytes;
using testdb::TestDatabase;

// Runs the child writer and returns its wait status.
int runChild(const TestDatabase& hr, std::int32_t imageId, std::size_t size, const std::string& mode)
{
    std::vector<std::string> args = {DWINDLE_DB_CHILD, hr.connectionString(), std::to_string(imageId),
                                     std::to_string(size), "77", mode};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, DWINDLE_DB_CHILD, nullptr, nullptr, argv.data(), environ) != 0)
        ADD_FAILURE() << "cannot start " << DWINDLE_DB_CHILD;
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

struct ExitCase {
    const char* mode;
    bool kept;
};

std::ostream& operator<<(std::ostream& os, const ExitCase& c) { return os << c.mode; }

class CommitAtExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(CommitAtExit, KeepsTheWriteOnlyAfterANormalEnd)
{
    const ExitCase& c = GetParam();
    TestDatabase hr;
    hr.addPortrait(1, "Anna", "Able", 101, randomBytes(60000, 1));
    const int status = runChild(hr, 101, 30000, c.mode);
    if (c.kept) {
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(hr.committedImage(101), randomBytes(30000, 77));
    } else {
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        EXPECT_EQ(hr.committedImage(101), randomBytes(60000, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Child, CommitAtExit, ::testing::Values(ExitCase{"exit", true}, ExitCase{"kill", false}),
                         [](const auto& p) { return std::string(p.param.mode); });

} // namespace
} // namespace dwindle
