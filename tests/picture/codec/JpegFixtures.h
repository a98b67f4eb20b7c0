#pragma once
// JPEG sources made with libjpeg directly, for the codec's tests, the seed
// corpus of its fuzz target and its benchmark. Every colour source shows four
// flat quadrants: red top-left, blue top-right, green bottom-left, white
// bottom-right, so that colours can be checked after a round trip.

#include <cstdint>
#include <string>
#include <vector>

namespace dwindle::testing {

enum class Coding { YCbCr, RGB, Gray, CMYK, CMYKAdobeInverted, YCCKAdobeInverted };

struct JpegRecipe {
    int width = 64;
    int height = 48;
    Coding coding = Coding::YCbCr;
    int lumaH = 2, lumaV = 2;      // sampling factors of the first component
    bool progressive = false;      // libjpeg's simple progression script
    bool nonInterleaved = false;   // sequential, one scan per component
    bool arithmetic = false;
    int restartRows = 0;           // a restart marker every n MCU rows
    bool foreignSegments = false;  // EXIF, ICC profile and comment segments, 72 dpi
    int quality = 90;
};

struct NamedRecipe {
    std::string name;
    JpegRecipe recipe;
};

// The sources of the codec's table test, each a different layout.
std::vector<NamedRecipe> StandardRecipes();

std::vector<std::uint8_t> MakeJpeg(const JpegRecipe& recipe);

// The quadrant colour (red, green, blue) at a pixel.
struct Rgb {
    int r, g, b;
};
Rgb QuadrantColour(int x, int y, int width, int height);

// A portrait-like picture (soft gradients, a face-like ellipse, noise) as
// baseline 4:2:0 at the given quality: what the program meets in its store.
std::vector<std::uint8_t> MakePortrait(int width, int height, int quality);

// Offsets of the markers after SOI in a JPEG byte string (the FF byte of
// each), found by walking the segments and the entropy-coded data.
struct Segment {
    std::size_t offset;
    std::uint8_t marker; // the byte after FF
    std::size_t length;  // the segment's length field, 0 for markers without one
};
std::vector<Segment> ListSegments(const std::vector<std::uint8_t>& jpeg);

// Replaces the frame header's height and width (SOF0/SOF1/SOF2).
void PatchFrameSize(std::vector<std::uint8_t>& jpeg, int width, int height);

} // namespace dwindle::testing
