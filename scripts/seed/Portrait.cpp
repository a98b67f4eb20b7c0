// Portrait synthesis and its JPEG encoding with libjpeg.
#include "Portrait.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace dwindle::seed {

std::uint64_t SeedRandom::next() noexcept
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SeedRandom::unit() noexcept { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
double SeedRandom::range(double lo, double hi) noexcept { return lo + (hi - lo) * unit(); }
int SeedRandom::between(int lo, int hi) noexcept
{
    return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
}

namespace {

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb scaled(const Rgb& a, double k) { return {a.r * k, a.g * k, a.b * k}; }

// Smooth random field: random values on a coarse grid, bilinearly interpolated.
class ValueNoise {
public:
    ValueNoise(SeedRandom& random, int cellsX, int cellsY) : cx_(cellsX), cy_(cellsY), v_((cellsX + 1) * (cellsY + 1))
    {
        for (double& x : v_)
            x = random.range(-1.0, 1.0);
    }
    // u, v in [0, 1].
    double at(double u, double v) const
    {
        const double fx = std::clamp(u, 0.0, 1.0) * cx_, fy = std::clamp(v, 0.0, 1.0) * cy_;
        const int ix = std::min(static_cast<int>(fx), cx_ - 1), iy = std::min(static_cast<int>(fy), cy_ - 1);
        const double tx = fx - ix, ty = fy - iy;
        const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
        const double a = v_[iy * (cx_ + 1) + ix], b = v_[iy * (cx_ + 1) + ix + 1];
        const double c = v_[(iy + 1) * (cx_ + 1) + ix], d = v_[(iy + 1) * (cx_ + 1) + ix + 1];
        return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
    }

private:
    int cx_, cy_;
    std::vector<double> v_;
};

// Everything about one sitter, drawn from the seed once.
struct Sitter {
    Rgb backTop, backBottom, skin, hair, shirt, lips;
    double headX, headY, headRx, headRy, shoulder, hairLine;
    double lightX;
};

Sitter drawSitter(SeedRandom& r)
{
    static const std::array<Rgb, 5> skins{{{236, 192, 160}, {214, 163, 125}, {176, 120, 86}, {120, 80, 56}, {246, 210, 186}}};
    static const std::array<Rgb, 5> hairs{{{40, 28, 20}, {96, 62, 34}, {170, 130, 80}, {20, 20, 22}, {150, 150, 150}}};
    static const std::array<Rgb, 6> shirts{{{30, 50, 110}, {200, 200, 205}, {60, 60, 66}, {120, 30, 40}, {40, 90, 60}, {230, 225, 210}}};
    Sitter s{};
    const double hue = r.unit();
    s.backTop = {120 + 80 * hue, 140 + 60 * r.unit(), 170 + 60 * (1 - hue)};
    s.backBottom = scaled(s.backTop, r.range(0.45, 0.75));
    s.skin = skins[r.next() % skins.size()];
    s.hair = hairs[r.next() % hairs.size()];
    s.shirt = shirts[r.next() % shirts.size()];
    s.lips = mix(s.skin, {170, 60, 70}, 0.45);
    s.headX = r.range(0.46, 0.54);
    s.headY = r.range(0.37, 0.43);
    s.headRx = r.range(0.18, 0.22);
    s.headRy = r.range(0.21, 0.24);
    s.shoulder = r.range(0.66, 0.71);
    s.hairLine = r.range(0.35, 0.6);
    s.lightX = r.range(-0.6, 0.6);
    return s;
}

std::uint8_t toByte(double x) { return static_cast<std::uint8_t>(std::clamp(std::lround(x), 0L, 255L)); }

// Renders one row of the portrait, three bytes per pixel (RGB).
class Painter {
public:
    Painter(const PortraitRecipe& recipe, SeedRandom& random)
        : spec_(recipe), random_(random), sitter_(drawSitter(random)), broad_(random, 6, 8), folds_(random, 10, 6),
          strands_(random, 64, 12), skinBlotch_(random, 24, 32)
    {
    }

    void row(int y, std::uint8_t* out)
    {
        const Sitter& s = sitter_;
        const double v = (y + 0.5) / spec_.height;
        const double tex = spec_.texture;
        for (int x = 0; x < spec_.width; ++x) {
            const double u = (x + 0.5) / spec_.width;
            const double dx = (u - s.headX) / s.headRx, dy = (v - s.headY) / s.headRy;
            const double d2 = dx * dx + dy * dy;
            Rgb c;
            double grain = 1.0; // relative strength of the fine noise
            const double hdx = (u - s.headX) / (s.headRx * 1.1), hdy = (v - s.headY + 0.025) / (s.headRy * 1.08);
            const bool inHair = hdx * hdx + hdy * hdy < 1.0 &&
                                (d2 >= 1.0 || dy < -s.hairLine + 0.5 * dx * dx);
            const double bodyTop = s.shoulder + 1.1 * (u - 0.5) * (u - 0.5);
            if (inHair) {
                const double strand = strands_.at(u + 0.08 * broad_.at(u, v), v);
                const double shine = 0.75 + 0.35 * std::max(0.0, 1.0 - std::abs(dy + 0.5) * 2.5);
                c = scaled(s.hair, shine * (1.0 + 0.35 * strand));
                grain = 1.6;
            } else if (d2 < 1.0) {
                const double nz = std::sqrt(1.0 - d2);
                double light = 0.55 + 0.45 * std::clamp(nz * 0.8 - dx * s.lightX * 0.4 - dy * 0.15, 0.0, 1.0);
                c = scaled(s.skin, light * (1.0 + 0.04 * skinBlotch_.at(u, v)));
                c = feature(c, u, v, dx, dy);
            } else if (v > bodyTop) {
                const double fold = folds_.at(u, v);
                const double edge = std::clamp((v - bodyTop) * 30.0, 0.0, 1.0);
                c = scaled(s.shirt, (0.8 + 0.2 * fold) * (0.7 + 0.3 * edge) * (1.0 - 0.25 * std::abs(u - 0.5)));
                grain = 1.2;
            } else if (std::abs(u - s.headX) < s.headRx * 0.42 && v > s.headY) {
                c = scaled(s.skin, 0.62 + 0.1 * (v - s.headY) / (bodyTop - s.headY));
            } else {
                const double vignette = 1.0 - 0.35 * ((u - 0.5) * (u - 0.5) + (v - 0.45) * (v - 0.45));
                c = scaled(mix(s.backTop, s.backBottom, v), vignette * (1.0 + 0.06 * broad_.at(u, v)));
                grain = 0.8;
            }
            // Sensor noise: a luminance part and a smaller colour part.
            const double amp = 11.0 * tex * grain;
            const double luma = amp * (random_.unit() + random_.unit() - 1.0);
            out[3 * x + 0] = toByte(c.r + luma + 0.3 * amp * (random_.unit() - 0.5));
            out[3 * x + 1] = toByte(c.g + luma);
            out[3 * x + 2] = toByte(c.b + luma + 0.3 * amp * (random_.unit() - 0.5));
        }
    }

private:
    // Eyes, brows and mouth on the face.
    Rgb feature(Rgb c, double, double, double dx, double dy) const
    {
        const Sitter& s = sitter_;
        for (double side : {-0.38, 0.38}) {
            const double ex = (dx - side) / 0.16, ey = (dy + 0.1) / 0.06;
            const double e = ex * ex + ey * ey;
            if (e < 1.0) {
                const double ix = (dx - side) / 0.06;
                return ix * ix + ey * ey < 1.0 ? Rgb{50, 40, 35} : Rgb{235, 232, 228};
            }
            const double bx = (dx - side) / 0.2, by = (dy + 0.28) / 0.04;
            if (bx * bx + by * by < 1.0)
                return mix(c, s.hair, 0.8);
        }
        const double mx = dx / 0.3, my = (dy - 0.5) / 0.06;
        if (mx * mx + my * my < 1.0)
            return s.lips;
        const double nx = dx / 0.08, ny = (dy - 0.2) / 0.12;
        if (nx * nx + ny * ny < 1.0 && dx > 0)
            return scaled(c, 0.88);
        return c;
    }

    const PortraitRecipe& spec_;
    SeedRandom& random_;
    Sitter sitter_;
    ValueNoise broad_, folds_, strands_, skinBlotch_;
};

struct ErrorJump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorJump*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

} // namespace

std::vector<std::uint8_t> makePortrait(const PortraitRecipe& recipe)
{
    if (recipe.width < 1 || recipe.height < 1 || recipe.width > 65500 || recipe.height > 65500)
        throw std::invalid_argument("portrait size out of range");
    SeedRandom random(recipe.seed);
    Painter painter(recipe, random);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(recipe.width) * 3);
    std::vector<std::uint8_t> gray(static_cast<std::size_t>(recipe.width));

    // Everything the compressor touches is allocated before setjmp; the
    // compressor owns its output buffer until it is copied out.
    jpeg_compress_struct cinfo{};
    ErrorJump err{};
    unsigned char* buffer = nullptr;
    unsigned long bufferSize = 0;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        throw std::runtime_error(std::string("libjpeg: ") + err.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &bufferSize);
    cinfo.image_width = static_cast<JDIMENSION>(recipe.width);
    cinfo.image_height = static_cast<JDIMENSION>(recipe.height);
    cinfo.input_components = recipe.gray ? 1 : 3;
    cinfo.in_color_space = recipe.gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(recipe.quality, 1, 100), TRUE);
    if (recipe.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < recipe.height; ++y) {
        painter.row(y, rgb.data());
        JSAMPROW row = rgb.data();
        if (recipe.gray) {
            for (int x = 0; x < recipe.width; ++x)
                gray[x] = static_cast<std::uint8_t>((77 * rgb[3 * x] + 150 * rgb[3 * x + 1] + 29 * rgb[3 * x + 2]) >> 8);
            row = gray.data();
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + bufferSize);
    std::free(buffer);
    return out;
}

PortraitRecipe portraitSpec(std::uint64_t setSeed, int index)
{
    SeedRandom r(setSeed * 0x100000001B3ull + static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull + 17);
    PortraitRecipe recipe;
    const bool large = r.between(0, 4) == 0;
    recipe.width = large ? 1200 : 480;
    recipe.height = large ? 1600 : 640;
    recipe.quality = r.between(85, 95);
    // About one picture in six gets a smooth, low-noise rendering that stays
    // under 50000 bytes at 480 x 640.
    recipe.texture = r.between(0, 5) == 0 ? r.range(0.05, 0.3) : r.range(0.7, 1.5);
    recipe.seed = r.next();
    return recipe;
}

std::vector<std::uint8_t> padJpegTo(std::vector<std::uint8_t> jpeg, std::size_t size)
{
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        throw std::invalid_argument("not a JPEG file (no SOI)");
    if (jpeg.size() > size)
        throw std::invalid_argument("JPEG larger than the requested size");
    std::size_t missing = size - jpeg.size();
    std::vector<std::uint8_t> comments;
    while (missing >= 4) {
        // A segment is FF FE, a two-byte length that counts itself, then data;
        // never leave 1..3 bytes that no segment can take.
        std::size_t segment = std::min<std::size_t>(missing, 65535 + 2);
        if (missing - segment > 0 && missing - segment < 4)
            segment -= 4;
        const std::size_t length = segment - 2;
        comments.push_back(0xFF);
        comments.push_back(0xFE);
        comments.push_back(static_cast<std::uint8_t>(length >> 8));
        comments.push_back(static_cast<std::uint8_t>(length & 0xFF));
        comments.insert(comments.end(), length - 2, static_cast<std::uint8_t>('.'));
        missing -= segment;
    }
    jpeg.insert(jpeg.begin() + 2, comments.begin(), comments.end());
    jpeg.insert(jpeg.end(), missing, 0);
    return jpeg;
}

} // namespace dwindle::seed
