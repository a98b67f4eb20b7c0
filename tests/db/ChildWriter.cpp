// A stand-in for the program in the commit-at-exit tests: acts as the window
// does (components in the window's order, a count and a listing, then one
// UpdateImage), then either ends normally, releasing its components, or is
// killed outright.
//
// Usage: dwindle_db_child CONNECTION IMAGEID SIZE SEED exit|kill

#include "TestDatabase.h"
#include "WindowComponents.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    using namespace dwindle;
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s CONNECTION IMAGEID SIZE SEED exit|kill\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[5];
    try {
        testing::WindowComponents c(argv[1]);
        c.qryCount->Open();
        c.qryImages->Open();
        TMemoryStream stream;
        testing::fillStream(stream, testdb::randomBytes(std::strtoul(argv[3], nullptr, 10),
                                                        static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10))));
        c.updateImage(static_cast<std::int32_t>(std::strtol(argv[2], nullptr, 10)), stream);
        std::puts("written");
        std::fflush(stdout);
        if (mode == "kill")
            std::raise(SIGKILL);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0; // the components were released above: transaction committed, then detached
}
