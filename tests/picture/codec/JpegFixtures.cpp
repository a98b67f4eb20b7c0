#include "JpegFixtures.h"

#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

namespace dwindle::testing {
namespace {

// A fixture that libjpeg refuses is a broken test: libjpeg's standard error
// manager prints the message and ends the process.
class Encoder {
public:
    Encoder()
    {
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &buffer, &size);
    }
    ~Encoder()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    std::vector<std::uint8_t> Bytes() const { return {buffer, buffer + size}; }

    jpeg_compress_struct cinfo {};
    jpeg_error_mgr err {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

void AddForeignSegments(jpeg_compress_struct& cinfo)
{
    std::string exif("Exif\0\0MM\0*\0\0\0\x08\0\0", 16);
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                      static_cast<unsigned>(exif.size()));
    std::string icc("ICC_PROFILE\0\x01\x01", 14);
    icc.append(128, '\x11');
    jpeg_write_marker(&cinfo, JPEG_APP0 + 2, reinterpret_cast<const JOCTET*>(icc.data()),
                      static_cast<unsigned>(icc.size()));
    const std::string comment = "made by the codec tests";
    jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                      static_cast<unsigned>(comment.size()));
}

// Plain ink amounts of a colour (0 = no ink), K taken out.
void ToCmyk(Rgb c, JSAMPLE* out)
{
    const int mx = std::max({c.r, c.g, c.b});
    const int k = 255 - mx;
    out[0] = static_cast<JSAMPLE>(mx ? (mx - c.r) * 255 / mx : 0);
    out[1] = static_cast<JSAMPLE>(mx ? (mx - c.g) * 255 / mx : 0);
    out[2] = static_cast<JSAMPLE>(mx ? (mx - c.b) * 255 / mx : 0);
    out[3] = static_cast<JSAMPLE>(k);
}

} // namespace

Rgb QuadrantColour(int x, int y, int width, int height)
{
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    if (!bottom)
        return right ? Rgb {0, 0, 255} : Rgb {255, 0, 0};
    return right ? Rgb {255, 255, 255} : Rgb {0, 255, 0};
}

std::vector<NamedRecipe> StandardRecipes()
{
    std::vector<NamedRecipe> list;
    auto add = [&](std::string name, auto change) {
        JpegRecipe r;
        change(r);
        list.push_back({std::move(name), r});
    };
    add("baseline420", [](JpegRecipe&) {});
    add("baseline422", [](JpegRecipe& r) { r.lumaH = 2, r.lumaV = 1; });
    add("baseline444", [](JpegRecipe& r) { r.lumaH = 1, r.lumaV = 1; });
    add("odd_size", [](JpegRecipe& r) { r.width = 37, r.height = 23; });
    add("progressive", [](JpegRecipe& r) { r.progressive = true; });
    add("non_interleaved", [](JpegRecipe& r) { r.nonInterleaved = true; });
    add("gray", [](JpegRecipe& r) { r.coding = Coding::Gray; });
    add("rgb_coded", [](JpegRecipe& r) { r.coding = Coding::RGB; });
    add("cmyk", [](JpegRecipe& r) { r.coding = Coding::CMYK; });
    add("cmyk_adobe_inverted", [](JpegRecipe& r) { r.coding = Coding::CMYKAdobeInverted; });
    add("ycck_adobe_inverted", [](JpegRecipe& r) { r.coding = Coding::YCCKAdobeInverted; });
    add("restart_markers", [](JpegRecipe& r) { r.restartRows = 1; });
    add("foreign_segments", [](JpegRecipe& r) { r.foreignSegments = true; });
    add("one_pixel", [](JpegRecipe& r) { r.width = 1, r.height = 1; });
    add("arithmetic", [](JpegRecipe& r) { r.arithmetic = true; });
    add("progressive_gray", [](JpegRecipe& r) { r.coding = Coding::Gray, r.progressive = true; });
    return list;
}

std::vector<std::uint8_t> MakeJpeg(const JpegRecipe& recipe)
{
    Encoder enc;
    jpeg_compress_struct& cinfo = enc.cinfo;
    cinfo.image_width = static_cast<JDIMENSION>(recipe.width);
    cinfo.image_height = static_cast<JDIMENSION>(recipe.height);
    int components = 3;
    switch (recipe.coding) {
    case Coding::YCbCr:
    case Coding::RGB:
        cinfo.in_color_space = JCS_RGB;
        break;
    case Coding::Gray:
        cinfo.in_color_space = JCS_GRAYSCALE;
        components = 1;
        break;
    case Coding::CMYK:
    case Coding::CMYKAdobeInverted:
    case Coding::YCCKAdobeInverted:
        cinfo.in_color_space = JCS_CMYK;
        components = 4;
        break;
    }
    cinfo.input_components = components;
    jpeg_set_defaults(&cinfo);
    if (recipe.coding == Coding::RGB)
        jpeg_set_colorspace(&cinfo, JCS_RGB);
    if (recipe.coding == Coding::YCCKAdobeInverted)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (recipe.coding == Coding::CMYK)
        cinfo.write_Adobe_marker = FALSE; // plain ink amounts, nothing says otherwise
    jpeg_set_quality(&cinfo, recipe.quality, TRUE);
    if (recipe.coding != Coding::Gray) {
        cinfo.comp_info[0].h_samp_factor = recipe.lumaH;
        cinfo.comp_info[0].v_samp_factor = recipe.lumaV;
    }
    if (recipe.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_scan_info scans[4];
    if (recipe.nonInterleaved) {
        for (int i = 0; i < cinfo.num_components; ++i)
            scans[i] = jpeg_scan_info {1, {i, 0, 0, 0}, 0, 63, 0, 0};
        cinfo.scan_info = scans;
        cinfo.num_scans = cinfo.num_components;
    }
    cinfo.arith_code = recipe.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = recipe.restartRows;
    if (recipe.foreignSegments) {
        cinfo.density_unit = 1;
        cinfo.X_density = 72;
        cinfo.Y_density = 72;
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (recipe.foreignSegments)
        AddForeignSegments(cinfo);

    std::vector<JSAMPLE> row(static_cast<std::size_t>(recipe.width) * static_cast<std::size_t>(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < recipe.width; ++x) {
            const Rgb c = QuadrantColour(x, y, recipe.width, recipe.height);
            JSAMPLE* p = &row[static_cast<std::size_t>(x * components)];
            switch (recipe.coding) {
            case Coding::YCbCr:
            case Coding::RGB:
                p[0] = static_cast<JSAMPLE>(c.r), p[1] = static_cast<JSAMPLE>(c.g), p[2] = static_cast<JSAMPLE>(c.b);
                break;
            case Coding::Gray:
                p[0] = static_cast<JSAMPLE>((299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000);
                break;
            case Coding::CMYK:
                ToCmyk(c, p);
                break;
            case Coding::CMYKAdobeInverted:
            case Coding::YCCKAdobeInverted:
                ToCmyk(c, p);
                for (int i = 0; i < 4; ++i)
                    p[i] = static_cast<JSAMPLE>(255 - p[i]);
                break;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    return enc.Bytes();
}

std::vector<std::uint8_t> MakePortrait(int width, int height, int quality)
{
    Encoder enc;
    jpeg_compress_struct& cinfo = enc.cinfo;
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::mt19937 noise(12345);
    std::uniform_int_distribution<int> grain(-6, 6);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    const double cx = width / 2.0, cy = height * 0.42, rx = width * 0.28, ry = height * 0.3;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            const double dx = (x - cx) / rx, dy = (y - cy) / ry;
            const double d = dx * dx + dy * dy;
            int r, g, b;
            if (d < 1.0) { // the face: warm tones, shaded to the edge
                const double shade = 1.0 - 0.35 * d;
                r = static_cast<int>(225 * shade), g = static_cast<int>(180 * shade), b = static_cast<int>(150 * shade);
            } else if (y > height * 0.75) { // the shoulders: a dark jacket
                r = 40 + x * 30 / width, g = 45, b = 70 + y * 20 / height;
            } else { // the backdrop: a soft blue-gray gradient
                r = 120 + y * 60 / height, g = 130 + x * 40 / width, b = 160 + (x + y) * 40 / (width + height);
            }
            const int n = grain(noise);
            JSAMPLE* p = &row[static_cast<std::size_t>(x) * 3];
            p[0] = static_cast<JSAMPLE>(std::clamp(r + n, 0, 255));
            p[1] = static_cast<JSAMPLE>(std::clamp(g + n, 0, 255));
            p[2] = static_cast<JSAMPLE>(std::clamp(b + n, 0, 255));
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    return enc.Bytes();
}

std::vector<Segment> ListSegments(const std::vector<std::uint8_t>& jpeg)
{
    std::vector<Segment> list;
    std::size_t i = 2; // after SOI
    const std::size_t n = jpeg.size();
    while (i + 1 < n) {
        if (jpeg[i] != 0xFF) { // entropy-coded data: find the next marker
            ++i;
            continue;
        }
        const std::uint8_t m = jpeg[i + 1];
        if (m == 0x00 || m == 0xFF || (m >= 0xD0 && m <= 0xD7)) { // stuffing, fill, restart
            if (m >= 0xD0 && m <= 0xD7)
                list.push_back({i, m, 0});
            i += (m == 0xFF) ? 1 : 2;
            continue;
        }
        if (m == 0xD9) {
            list.push_back({i, m, 0});
            break;
        }
        if (i + 3 >= n)
            break;
        const std::size_t len = static_cast<std::size_t>(jpeg[i + 2] << 8 | jpeg[i + 3]);
        list.push_back({i, m, len});
        i += 2 + len;
    }
    return list;
}

void PatchFrameSize(std::vector<std::uint8_t>& jpeg, int width, int height)
{
    for (const Segment& s : ListSegments(jpeg)) {
        if (s.marker == 0xC0 || s.marker == 0xC1 || s.marker == 0xC2 || s.marker == 0xC9 || s.marker == 0xCA) {
            jpeg[s.offset + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[s.offset + 6] = static_cast<std::uint8_t>(height);
            jpeg[s.offset + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[s.offset + 8] = static_cast<std::uint8_t>(width);
            return;
        }
    }
    throw std::runtime_error("no frame header");
}

} // namespace dwindle::testing
