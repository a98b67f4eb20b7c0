// Pictures per second for the batch run's codec work on one stored picture:
// LoadJpeg, EnsureBitmap, Encode at quality 40, SaveJpeg; beside the same
// work done with libjpeg alone (same decode and encode parameters, memory
// source and destination of libjpeg's own), in the same process.
//
// Usage: jpeg_bench [seconds per picture size and side, default 5]
// Figures are the best of five alternating rounds.

#include "JPEGImage.h"
#include "JpegFixtures.h"
#include "Stream.h"

#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <QImage>
#include <QPainter>
#include <QRect>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// The object's road, as the batch run takes it.
std::size_t ObjectReencode(const Bytes& stored)
{
    static dwindle::TMemoryStream stream;
    stream.Clear();
    stream.WriteBuffer(stored.data(), stored.size());
    stream.SetPosition(0);
    dwindle::TJPEGImage working;
    working.SetQuality(40);
    working.LoadJpeg(stream);
    stream.Clear();
    working.EnsureJpeg();
    working.EnsureBitmap();
    working.Encode();
    working.SaveJpeg(stream);
    return static_cast<std::size_t>(stream.Size());
}

// The same with libjpeg only.
std::size_t LibjpegReencode(const Bytes& stored)
{
    jpeg_error_mgr err;
    jpeg_decompress_struct d;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, stored.data(), static_cast<unsigned long>(stored.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_BGR;
    d.dct_method = JDCT_FLOAT;
    d.do_fancy_upsampling = TRUE;
    d.do_block_smoothing = TRUE;
    jpeg_start_decompress(&d);
    const std::size_t stride = (static_cast<std::size_t>(d.output_width) * 3 + 3) & ~std::size_t {3};
    std::vector<JSAMPLE> pixels(stride * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = &pixels[stride * d.output_scanline];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    const JDIMENSION width = d.output_width, height = d.output_height;
    jpeg_destroy_decompress(&d);

    jpeg_compress_struct c;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = width;
    c.image_height = height;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 40, TRUE);
    c.dct_method = JDCT_FLOAT;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = &pixels[stride * c.next_scanline];
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::free(out);
    return outSize;
}

// One drawing of a decoded picture at its own size, as a picture box paints
// it into the window's backing store.
std::size_t Draw(dwindle::TJPEGImage& image, QImage& canvas)
{
    QPainter painter(&canvas);
    image.DrawTo(painter, QRect(0, 0, image.Width(), image.Height()));
    return 0;
}

struct Figure {
    double perSecond;
    std::size_t outputBytes;
};

Figure Measure(const std::function<std::size_t(const Bytes&)>& work, const Bytes& stored, double seconds)
{
    std::size_t bytes = work(stored); // warm-up
    int count = 0;
    const auto start = Clock::now();
    std::chrono::duration<double> elapsed {};
    do {
        bytes = work(stored);
        ++count;
        elapsed = Clock::now() - start;
    } while (elapsed.count() < seconds);
    return {count / elapsed.count(), bytes};
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    std::printf("%-10s %8s %12s %12s %8s %10s\n", "picture", "stored", "object/s", "libjpeg/s", "ratio", "re-encoded");
    for (const auto& [width, height] : {std::pair {480, 640}, std::pair {1200, 1600}}) {
        const Bytes stored = dwindle::testing::MakePortrait(width, height, 92);
        // Alternating rounds, best of each: the machine is shared, and a
        // disturbance then hits both sides alike instead of one.
        Figure object {0, 0}, plain {0, 0};
        for (int round = 0; round < 5; ++round) {
            const Figure o = Measure(ObjectReencode, stored, seconds / 5);
            const Figure p = Measure(LibjpegReencode, stored, seconds / 5);
            object = o.perSecond > object.perSecond ? o : object;
            plain = p.perSecond > plain.perSecond ? p : plain;
        }
        const std::string name = std::to_string(width) + "x" + std::to_string(height);
        std::printf("%-10s %8zu %12.1f %12.1f %8.3f %10zu\n", name.c_str(), stored.size(), object.perSecond,
                    plain.perSecond, object.perSecond / plain.perSecond, object.outputBytes);
        dwindle::TJPEGImage decoded;
        {
            dwindle::TMemoryStream s;
            s.WriteBuffer(stored.data(), stored.size());
            s.SetPosition(0);
            decoded.LoadJpeg(s);
            decoded.EnsureBitmap();
        }
        QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
        const Figure draw = Measure([&](const Bytes&) { return Draw(decoded, canvas); }, stored, seconds / 2);
        std::printf("           DrawTo at own size: %.0f drawings/s (%.2f ms)\n", draw.perSecond, 1000.0 / draw.perSecond);
        if (object.outputBytes != plain.outputBytes)
            std::printf("           (libjpeg alone wrote %zu bytes)\n", plain.outputBytes);
    }
    return 0;
}
