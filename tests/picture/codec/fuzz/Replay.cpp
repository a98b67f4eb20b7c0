// Replays every file of the corpus folders named on the command line through
// the fuzz entry, without libFuzzer: the sanitizer build runs it as a test.
#include "JpegFuzzEntry.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path folder = argv[i];
        if (!fs::is_directory(folder)) {
            std::fprintf(stderr, "not a folder: %s\n", argv[i]);
            return 1;
        }
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().filename().string().starts_with("."))
                continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::vector<char> bytes {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
            std::printf("%s (%zu bytes)\n", entry.path().c_str(), bytes.size());
            std::fflush(stdout);
            dwindle::fuzz::RunJpegOnce(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++count;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return count == 0 ? 1 : 0;
}
