// Picture store benchmark: prints figures, asserts nothing.
//
// For each row count (default 200 and 20000) a child process of its own
// creates a test database of that many 100 KB pictures (random bytes), then:
//   read:   count + listing, every picture copied into a memory stream, as the
//           batch run does;
//   write:  the listing again, every picture written back with UpdateImage
//           (the same three calls as the window's), then the commit at release.
// Peak memory (VmHWM) is taken per phase, after resetting it, so the set-up's
// own use does not count. Memory must not grow with the row count.

#include "TestDatabase.h"
#include "WindowComponents.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace dwindle;
using Clock = std::chrono::steady_clock;

constexpr std::size_t pictureSize = 100 * 1024;

long vmHwmKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

void resetHwm()
{
    std::ofstream("/proc/self/clear_refs") << "5"; // resets VmHWM to the current RSS
}

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void report(const char* phase, int rows, double secs, double bytes, long hwm)
{
    std::printf("%-6s rows=%-6d %8.2f s %9.0f rows/s %8.1f MB/s  VmHWM %7ld KB\n", phase, rows, secs, rows / secs,
                bytes / secs / 1e6, hwm);
    std::fflush(stdout);
}

int runOne(int rows)
{
    testdb::TestDatabase hr;
    auto t0 = Clock::now();
    hr.setAutoCommit(false);
    for (int i = 1; i <= rows; ++i)
        hr.addPortrait(i, "First" + std::to_string(i), "Last" + std::to_string(i), i,
                       testdb::randomBytes(pictureSize, static_cast<std::uint32_t>(i % 97)));
    hr.setAutoCommit(true);
    std::printf("set-up rows=%-6d %8.2f s (inserting, not part of the figures)\n", rows, seconds(t0));

    const long baseline = vmHwmKb();
    {
        auto components = std::make_unique<testing::WindowComponents>(hr.connectionString());
        testing::WindowComponents& c = *components;

        resetHwm();
        t0 = Clock::now();
        c.qryCount->Open();
        const int count = c.qryCount->FieldByName("EmpCount").AsInteger();
        c.qryImages->Open();
        double bytes = 0;
        int seen = 0;
        TMemoryStream stream;
        while (!c.qryImages->Eof()) {
            stream.Clear();
            c.qryImages->FieldByName("Image").SaveToStream(stream);
            bytes += static_cast<double>(stream.Size());
            ++seen;
            c.qryImages->Next();
        }
        report("read", seen, seconds(t0), bytes, vmHwmKb());
        if (seen != count)
            std::printf("  (count %d differs from rows %d)\n", count, seen);

        resetHwm();
        t0 = Clock::now();
        c.qryImages->Open();
        bytes = 0;
        seen = 0;
        while (!c.qryImages->Eof()) {
            stream.Clear();
            c.qryImages->FieldByName("Image").SaveToStream(stream);
            stream.Memory()[0] ^= 0xFF; // a changed picture of the same size
            c.updateImage(c.qryImages->FieldByName("ImageId").AsInteger(), stream);
            bytes += static_cast<double>(stream.Size());
            ++seen;
            c.qryImages->Next();
        }
        report("write", seen, seconds(t0), bytes, vmHwmKb());
        t0 = Clock::now();
        components.reset(); // released in the window's order: the commit happens here
        std::printf("commit rows=%-6d %8.2f s\n", rows, seconds(t0));
    }
    std::printf("baseline VmHWM before the phases: %ld KB\n", baseline);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--one")
        return runOne(std::atoi(argv[2]));

    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {200, 20000};
    std::printf("picture store benchmark: %zu-byte pictures, server 127.0.0.1\n", pictureSize);
    for (int rows : counts) {
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/proc/self/exe", argv[0], "--one", std::to_string(rows).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("rows=%d: run failed (status %d)\n", rows, status);
    }
    return 0;
}
