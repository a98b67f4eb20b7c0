#pragma once
// Synthetic portrait pictures for demo and test databases: a head and shoulders
// before a shaded background, with skin shading, hair texture and sensor noise,
// so that their JPEG sizes are those of real photographs of the same size and
// quality. Everything is derived from a seed: the same recipe gives the same bytes
// on every machine (no std:: distribution is used, their output differs between
// library implementations).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dwindle::seed {

struct PortraitRecipe {
    int width = 480;
    int height = 640;
    int quality = 90;          // libjpeg quality, 1..100
    bool progressive = false;  // libjpeg's simple progression script
    bool gray = false;         // one-component (grayscale) JPEG
    double texture = 1.0;      // strength of the fine detail and noise; the main size knob
    std::uint64_t seed = 1;
};

// Encodes the portrait that recipe describes as a JFIF file with libjpeg.
std::vector<std::uint8_t> makePortrait(const PortraitRecipe& recipe);

// The index-th portrait of the set named by setSeed: mostly 480 x 640, one in
// five 1200 x 1600, quality 85 to 95, texture chosen so that most pictures are
// over 50000 bytes and some are under.
PortraitRecipe portraitSpec(std::uint64_t setSeed, int index);

// Makes jpeg exactly size bytes long without changing its pixels: comment (COM)
// segments right after SOI, and trailing bytes after EOI for a remainder of
// fewer than 4 bytes. Fails with std::invalid_argument when jpeg is already
// longer than size or does not start with SOI.
std::vector<std::uint8_t> padJpegTo(std::vector<std::uint8_t> jpeg, std::size_t size);

// A small deterministic generator (splitmix64).
class SeedRandom {
public:
    explicit SeedRandom(std::uint64_t seed) noexcept : state_(seed) {}
    std::uint64_t next() noexcept;
    double unit() noexcept;                      // [0, 1)
    double range(double lo, double hi) noexcept; // [lo, hi)
    int between(int lo, int hi) noexcept;        // lo..hi inclusive

private:
    std::uint64_t state_;
};

} // namespace dwindle::seed
