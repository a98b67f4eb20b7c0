// dwindle-portraits: writes the first N portraits of a seeded set as JPEG files
// (portrait-0000.jpg ...) into a folder, and prints each file's size.
//   dwindle-portraits FOLDER N [SEED]
#include "Portrait.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s FOLDER N [SEED]\n", argv[0]);
        return 2;
    }
    try {
        const std::string folder = argv[1];
        const int count = std::stoi(argv[2]);
        const std::uint64_t seed = argc == 4 ? std::stoull(argv[3]) : 1;
        for (int i = 0; i < count; ++i) {
            const auto recipe = dwindle::seed::portraitSpec(seed, i);
            const auto bytes = dwindle::seed::makePortrait(recipe);
            char name[64];
            std::snprintf(name, sizeof name, "/portrait-%04d.jpg", i);
            std::ofstream out(folder + name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            if (!out)
                throw std::runtime_error("cannot write " + folder + name);
            std::printf("%s %dx%d q%d texture %.2f: %zu bytes\n", name + 1, recipe.width, recipe.height, recipe.quality,
                        recipe.texture, bytes.size());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dwindle-portraits: %s\n", e.what());
        return 1;
    }
    return 0;
}
