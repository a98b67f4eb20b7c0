#include "JpegCodec.h"

#include "Exceptions.h"
#include "JpegBuffers.h"
#include "JpegGuard.h"
#include "PixelBuffers.h"

#include <jerror.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace dwindle::jpeg {
namespace {

j_common_ptr Common(jpeg_decompress_struct& cinfo) noexcept { return reinterpret_cast<j_common_ptr>(&cinfo); }
j_common_ptr Common(jpeg_compress_struct& cinfo) noexcept { return reinterpret_cast<j_common_ptr>(&cinfo); }

// A decompressor over a memory buffer, released on every path.
class Decompressor {
public:
    Decompressor(const std::uint8_t* data, std::size_t size)
    {
        AttachErrorManager(err, *Common(cinfo));
        if (!RunGuarded(err, [](void* p) { jpeg_create_decompress(static_cast<jpeg_decompress_struct*>(p)); }, &cinfo)) {
            jpeg_destroy_decompress(&cinfo);
            ThrowFailure(err);
        }
        AttachMemorySource(source, cinfo, data, size);
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct cinfo {};
    ErrorManager err;
    MemorySource source;
};

// A compressor writing into a memory stream, released on every path.
class Compressor {
public:
    explicit Compressor(TMemoryStream& out)
    {
        AttachErrorManager(err, *Common(cinfo));
        if (!RunGuarded(err, [](void* p) { jpeg_create_compress(static_cast<jpeg_compress_struct*>(p)); }, &cinfo)) {
            jpeg_destroy_compress(&cinfo);
            ThrowFailure(err);
        }
        AttachMemoryDestination(destination, cinfo, out);
    }
    ~Compressor() { jpeg_destroy_compress(&cinfo); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct cinfo {};
    ErrorManager err;
    MemoryDestination destination;
};

[[noreturn]] void ThrowOutOfMemory() { throw EOutOfMemory("Out of memory"); }

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t step) { return (value + step - 1) / step * step; }

// What the decode will allocate for the whole picture, from the header and
// the output parameters (jpeg_calc_output_dimensions done).
std::uint64_t DecodeMemoryNeed(const jpeg_decompress_struct& cinfo, bool quantize, bool cmyk)
{
    const std::uint64_t width = cinfo.output_width;
    const std::uint64_t height = cinfo.output_height;
    const std::uint64_t pixelBytes = quantize ? 1 : 3;
    std::uint64_t need = RoundUp(width * pixelBytes, 4) * height; // the bitmap, rows 4-byte aligned
    if (cmyk)
        need += width * 4; // one row of CMYK samples
    if (jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&cinfo))) {
        // libjpeg keeps every coefficient of the picture: 64 of 2 bytes per block.
        for (int ci = 0; ci < cinfo.num_components; ++ci) {
            const jpeg_component_info& c = cinfo.comp_info[ci];
            need += RoundUp(c.width_in_blocks, std::max(c.h_samp_factor, 1))
                  * RoundUp(c.height_in_blocks, std::max(c.v_samp_factor, 1)) * 128;
        }
    }
    if (quantize && cinfo.two_pass_quantize && cinfo.out_color_components == 3)
        need += width * height * 3; // the full picture kept between the two passes
    return need;
}

// One row of CMYK samples into blue-green-red. Adobe's applications write
// CMYK inverted (0 = full ink) and mark it with their APP14 segment; without
// that segment the samples are taken as plain ink amounts.
void CmykRowToBgr(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width, bool inverted) noexcept
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

struct ReadRowsStep {
    jpeg_decompress_struct* cinfo;
    std::uint8_t* bits;
    qsizetype bytesPerLine;
    JSAMPLE* cmykRow; // null unless the output is CMYK
    bool inverted;

    void operator()() const noexcept
    {
        while (cinfo->output_scanline < cinfo->output_height) {
            std::uint8_t* target = bits + static_cast<qsizetype>(cinfo->output_scanline) * bytesPerLine;
            JSAMPROW row = cmykRow ? cmykRow : target;
            if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
                break;
            if (cmykRow)
                CmykRowToBgr(cmykRow, target, cinfo->output_width, inverted);
        }
        jpeg_finish_decompress(cinfo);
    }
};

} // namespace

HeaderInfo ReadHeader(const std::uint8_t* data, std::size_t size)
{
    Decompressor d(data, size);
    HeaderInfo info;
    Guarded(d.err, [&] {
        jpeg_read_header(&d.cinfo, TRUE);
        info.width = static_cast<std::int32_t>(d.cinfo.image_width);
        info.height = static_cast<std::int32_t>(d.cinfo.image_height);
        info.multipleScans = jpeg_has_multiple_scans(&d.cinfo) != FALSE;
    });
    return info;
}

void Decode(const std::uint8_t* data, std::size_t size, const DecodeOptions& options, QImage& bitmap)
{
    Decompressor d(data, size);
    jpeg_decompress_struct& cinfo = d.cinfo;
    Guarded(d.err, [&] { jpeg_read_header(&cinfo, TRUE); });

    // Output colour space: gray and RGB as libjpeg chooses them for the
    // picture, RGB delivered straight in blue-green-red order; four-component
    // pictures (CMYK, YCCK) come as CMYK and are converted here.
    bool quantize = false;
    bool cmyk = false;
    switch (cinfo.out_color_space) {
    case JCS_GRAYSCALE:
        quantize = true;
        break;
    case JCS_RGB:
        if (options.grayScale) {
            cinfo.out_color_space = JCS_GRAYSCALE;
            quantize = true;
        } else if (options.paletteOutput) {
            quantize = true;
        } else {
            cinfo.out_color_space = JCS_EXT_BGR;
        }
        break;
    case JCS_CMYK:
        cmyk = true;
        break;
    default: // two components and other layouts without a colour meaning
        throw EJPEG(JERR_CONVERSION_NOTIMPL);
    }

    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(options.scaleDenom);
    cinfo.dct_method = options.performance ? JDCT_IFAST : JDCT_FLOAT;
    cinfo.do_fancy_upsampling = options.performance ? FALSE : TRUE;
    cinfo.do_block_smoothing = options.smoothing ? TRUE : FALSE;
    cinfo.buffered_image = FALSE;
    cinfo.quantize_colors = quantize ? TRUE : FALSE;
    if (quantize) {
        cinfo.desired_number_of_colors = 236;
        cinfo.dither_mode = options.performance ? JDITHER_ORDERED : JDITHER_FS;
        cinfo.two_pass_quantize = options.performance ? FALSE : TRUE;
    }
    Guarded(d.err, [&] { jpeg_calc_output_dimensions(&cinfo); });

    if (DecodeMemoryNeed(cinfo, quantize, cmyk) > kDecodeBudget)
        ThrowOutOfMemory();

    Guarded(d.err, [&] { jpeg_start_decompress(&cinfo); });

    const auto width = static_cast<int>(cinfo.output_width);
    const auto height = static_cast<int>(cinfo.output_height);
    bitmap = allocateBitmap(width, height, quantize ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (bitmap.isNull())
        ThrowOutOfMemory();
    if (quantize) {
        QList<QRgb> palette;
        palette.reserve(cinfo.actual_number_of_colors);
        for (int i = 0; i < cinfo.actual_number_of_colors; ++i) {
            if (cinfo.out_color_components == 1) {
                const int v = cinfo.colormap[0][i];
                palette.append(qRgb(v, v, v));
            } else {
                palette.append(qRgb(cinfo.colormap[0][i], cinfo.colormap[1][i], cinfo.colormap[2][i]));
            }
        }
        bitmap.setColorTable(palette);
    }

    std::vector<JSAMPLE> cmykRow(cmyk ? static_cast<std::size_t>(width) * 4 : 0);
    ReadRowsStep step {&cinfo, bitmap.bits(), bitmap.bytesPerLine(), cmyk ? cmykRow.data() : nullptr,
                       cinfo.saw_Adobe_marker != FALSE};
    if (!RunGuarded(d.err, [](void* p) { (*static_cast<ReadRowsStep*>(p))(); }, &step)) {
        // Rows that were never decoded show as zero, not as stale memory.
        const auto done = std::min<qsizetype>(cinfo.output_scanline, height);
        std::memset(step.bits + done * step.bytesPerLine, 0,
                    static_cast<std::size_t>((height - done) * step.bytesPerLine));
        ThrowFailure(d.err);
    }
}

void Encode(const QImage& bgr, int quality, bool progressive, TMemoryStream& out)
{
    Compressor c(out);
    jpeg_compress_struct& cinfo = c.cinfo;
    cinfo.image_width = static_cast<JDIMENSION>(bgr.width());
    cinfo.image_height = static_cast<JDIMENSION>(bgr.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR; // RGB input, bytes in blue-green-red order
    const int q = std::clamp(quality, 1, 100);
    const std::uint8_t* bits = bgr.constBits();
    const qsizetype bytesPerLine = bgr.bytesPerLine();
    Guarded(c.err, [&] {
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, q, TRUE);
        cinfo.dct_method = JDCT_FLOAT;
        // JFIF 1.01, aspect ratio 1:1 only, and no other marker.
        cinfo.write_JFIF_header = TRUE;
        cinfo.JFIF_major_version = 1;
        cinfo.JFIF_minor_version = 1;
        cinfo.density_unit = 0;
        cinfo.X_density = 1;
        cinfo.Y_density = 1;
        cinfo.write_Adobe_marker = FALSE;
        if (progressive)
            jpeg_simple_progression(&cinfo);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPLE*>(bits + static_cast<qsizetype>(cinfo.next_scanline) * bytesPerLine);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
    });
}

} // namespace dwindle::jpeg
