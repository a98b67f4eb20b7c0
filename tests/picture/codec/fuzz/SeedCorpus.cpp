// Writes the codec tests' sources, and damaged forms of them, into a folder:
// the seed corpus of the JPEG fuzz target.
#include "JpegFixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(folder / (name + ".jpg"), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv)
{
    using namespace dwindle::testing;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    int count = 0;
    for (const NamedRecipe& r : StandardRecipes()) {
        JpegRecipe small = r.recipe;
        const auto bytes = MakeJpeg(small);
        Write(folder, r.name, bytes);
        auto cut = bytes;
        cut.resize(bytes.size() * 2 / 3);
        Write(folder, r.name + "_cut", cut);
        count += 2;
    }
    auto huge = MakeJpeg({.width = 16, .height = 16, .progressive = true});
    PatchFrameSize(huge, 65500, 65500);
    Write(folder, "huge_progressive_header", huge);
    Write(folder, "portrait", MakePortrait(120, 160, 85));
    count += 2;
    std::printf("%d seeds in %s\n", count, folder.c_str());
    return 0;
}
