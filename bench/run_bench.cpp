// Benchmark of the Run command: pictures per second end to end and peak memory
// of the whole program driven through its window, against the job's floor on
// the same rows, for databases of N generated portraits.
//
//   dwindle_bench_run [N ...]            (default: 200 5000)
//
// Each measurement runs in a process of its own (this program started again
// with --window or --floor), so that each peak memory is that measurement's
// alone. The window run and the floor each get their own copy of the same
// database, since both write and commit. Prints figures; asserts nothing.
#include "RunBench.h"

#include "HrDatabase.h"
#include "Portrait.h"
#include "TestDatabase.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace dwindle::bench {

long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

namespace {

constexpr std::uint64_t kSetSeed = 2024;

void printChild(const RunFigures& f)
{
    std::printf("%.6f %d %d %ld\n", f.seconds, f.pictures, f.written, f.peakKiB);
    if (!f.failure.empty())
        std::printf("failure: %s\n", f.failure.c_str());
}

RunFigures runChild(const std::string& self, const std::string& mode, const std::string& connection)
{
    const std::string command = "'" + self + "' " + mode + " '" + connection + "'";
    RunFigures f;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot start " + command);
    char line[4096];
    if (std::fgets(line, sizeof line, pipe) != nullptr)
        std::sscanf(line, "%lf %d %d %ld", &f.seconds, &f.pictures, &f.written, &f.peakKiB);
    while (std::fgets(line, sizeof line, pipe) != nullptr)
        f.failure += line;
    const int status = pclose(pipe);
    if (status != 0)
        f.failure += "exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "\n";
    return f;
}

// Two databases with the same N portraits (all typed JPG), filled in one pass
// over the generated pictures.
void seedPair(testdb::TestDatabase& a, testdb::TestDatabase& b, int count, long long& bytesTotal, int& over)
{
    a.setAutoCommit(false);
    b.setAutoCommit(false);
    bytesTotal = 0;
    over = 0;
    for (int i = 0; i < count; ++i) {
        const auto picture = seed::makePortrait(seed::portraitSpec(kSetSeed, i));
        const std::string first = seed::firstNameFor(kSetSeed, i), last = seed::lastNameFor(kSetSeed, i);
        a.addPortrait(i + 1, first, last, i + 1, picture);
        b.addPortrait(i + 1, first, last, i + 1, picture);
        bytesTotal += static_cast<long long>(picture.size());
        over += picture.size() > 50000 ? 1 : 0;
    }
    a.setAutoCommit(true);
    b.setAutoCommit(true);
}

int orchestrate(const std::string& self, const std::vector<int>& sizes)
{
    std::printf("Run benchmark: whole program (window offscreen, Connect + Run clicked, commit at exit)\n"
                "against the job's floor (no window: blob read, decode, encode at 40, decode of the result,\n"
                "new blob + update, one transaction, commit), same rows, separate processes.\n\n");
    struct Line {
        int n;
        RunFigures window, floor;
    };
    std::vector<Line> lines;
    for (int n : sizes) {
        std::optional<testdb::TestDatabase> a(std::in_place), b(std::in_place);
        long long bytes = 0;
        int over = 0;
        const auto seedStart = std::chrono::steady_clock::now();
        seedPair(*a, *b, n, bytes, over);
        const double seedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - seedStart).count();
        std::printf("N=%d: %lld bytes of JPEG (%d over 50000 bytes), seeded twice in %.1f s\n", n, bytes, over,
                    seedSeconds);
        std::fflush(stdout);
        Line line{n, runChild(self, "--window", a->connectionString()), runChild(self, "--floor", b->connectionString())};
        line.window.pictures = n;
        a.reset(); // dropped
        b.reset();
        for (const RunFigures* f : {&line.window, &line.floor})
            if (!f->failure.empty())
                std::printf("  FAILURE: %s", f->failure.c_str());
        std::printf("  window: %8.2f s  %7.1f pictures/s  peak %7.1f MiB\n", line.window.seconds,
                    n / line.window.seconds, line.window.peakKiB / 1024.0);
        std::printf("  floor:  %8.2f s  %7.1f pictures/s  peak %7.1f MiB  (%d written)\n", line.floor.seconds,
                    n / line.floor.seconds, line.floor.peakKiB / 1024.0, line.floor.written);
        std::printf("  ratio window/floor: %.3f (target <= 1.25)\n\n", line.window.seconds / line.floor.seconds);
        std::fflush(stdout);
        lines.push_back(line);
    }
    if (lines.size() >= 2) {
        const Line& small = lines.front();
        const Line& large = lines.back();
        std::printf("peak memory of the window run, N=%d against N=%d: %.1f MiB vs %.1f MiB, %+.1f %% (target within 10 %%)\n",
                    large.n, small.n, large.window.peakKiB / 1024.0, small.window.peakKiB / 1024.0,
                    100.0 * (static_cast<double>(large.window.peakKiB) / small.window.peakKiB - 1.0));
    }
    return 0;
}

} // namespace
} // namespace dwindle::bench

int main(int argc, char** argv)
{
    using namespace dwindle::bench;
    try {
        if (argc == 3 && std::strcmp(argv[1], "--floor") == 0) {
            RunFigures f = runFloor(argv[2]);
            f.peakKiB = peakResidentKiB();
            printChild(f);
            return 0;
        }
        if (argc == 3 && std::strcmp(argv[1], "--window") == 0) {
            int qtArgc = 1;
            printChild(runWindow(argv[2], qtArgc, argv));
            return 0;
        }
        std::vector<int> sizes;
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atoi(argv[i]));
        if (sizes.empty())
            sizes = {200, 5000};
        char self[4096] = {};
        if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
            throw std::runtime_error("cannot find this program's own file");
        return orchestrate(self, sizes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dwindle_bench_run: %s\n", e.what());
        return 1;
    }
}
