// The JPEG image object against the real libjpeg: sources of every layout
// made by JpegFixtures, decoded, re-encoded and taken apart again.

#include "JPEGImage.h"
#include "JpegCodec.h"
#include "JpegFixtures.h"
#include "PictureFormats.h"
#include "PixelBuffers.h"

#include "Exceptions.h"
#include "Stream.h"

#include <QPainter>
#include <QRect>

#include <gtest/gtest.h>

#include <cstdio>
#include <jerror.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>

namespace dwindle::testing {
// Failures of the table test name the source.
void PrintTo(const NamedRecipe& r, std::ostream* os)
{
    *os << r.name;
}
} // namespace dwindle::testing

namespace dwindle {
namespace {

using testing::JpegRecipe;
using testing::MakeJpeg;
using testing::Rgb;

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<TMemoryStream> StreamOf(const Bytes& bytes)
{
    auto s = std::make_unique<TMemoryStream>();
    s->WriteBuffer(bytes.data(), bytes.size());
    s->SetPosition(0);
    return s;
}

void Load(TJPEGImage& image, const Bytes& bytes)
{
    image.LoadJpeg(*StreamOf(bytes));
}

Bytes Saved(TJPEGImage& image)
{
    TMemoryStream out;
    image.SaveJpeg(out);
    return Bytes(out.Memory(), out.Memory() + out.Size());
}

// The message code of the EJPEG that work raises; -1 when it raises none.
int JpegErrorOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.message(), "JPEG error #" + std::to_string(e.code()));
        return e.code();
    }
    return -1;
}

Rgb PixelOf(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

void ExpectNear(Rgb actual, Rgb expected, int tolerance, const std::string& where)
{
    EXPECT_NEAR(actual.r, expected.r, tolerance) << where;
    EXPECT_NEAR(actual.g, expected.g, tolerance) << where;
    EXPECT_NEAR(actual.b, expected.b, tolerance) << where;
}

// The four quadrant centres show their colours (gray sources: their luma).
void ExpectQuadrants(const QImage& image, bool gray, int tolerance)
{
    const int w = image.width(), h = image.height();
    const int xs[] = {w / 4, w * 3 / 4}, ys[] = {h / 4, h * 3 / 4};
    for (int y : ys)
        for (int x : xs) {
            Rgb want = testing::QuadrantColour(x, y, w, h);
            if (gray) {
                const int l = (299 * want.r + 587 * want.g + 114 * want.b + 500) / 1000;
                want = {l, l, l};
            }
            ExpectNear(PixelOf(image, x, y), want, tolerance,
                       "pixel " + std::to_string(x) + "," + std::to_string(y));
        }
}

// Table K.3, the standard luminance DC Huffman table, as a DHT segment.
const Bytes kStandardLumaDcSegment = {0xFF, 0xC4, 0x00, 0x1F, 0x00, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
                                      0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

Bytes SegmentBytes(const Bytes& jpeg, const testing::Segment& s)
{
    return Bytes(jpeg.begin() + static_cast<std::ptrdiff_t>(s.offset),
                 jpeg.begin() + static_cast<std::ptrdiff_t>(s.offset + 2 + s.length));
}

class JPEGImageTest : public ::testing::Test {
protected:
    void SetUp() override { InitJPEGDefaults(24); }
};

// ---- One table over sources of every layout ----

class SourceTable : public ::testing::TestWithParam<testing::NamedRecipe> {
protected:
    void SetUp() override { InitJPEGDefaults(24); }
};

TEST_P(SourceTable, LoadsDecodesAndReencodes)
{
    const JpegRecipe& recipe = GetParam().recipe;
    const bool gray = recipe.coding == testing::Coding::Gray;
    const bool multiScan = recipe.progressive || recipe.nonInterleaved;
    const Bytes source = MakeJpeg(recipe);

    TJPEGImage image;
    image.SetQuality(40);
    Load(image, source);
    EXPECT_EQ(image.Width(), recipe.width);
    EXPECT_EQ(image.Height(), recipe.height);
    EXPECT_EQ(image.ProgressiveOutput(), multiScan);
    EXPECT_EQ(image.Bitmap(), nullptr) << "loading decodes nothing";

    image.EnsureJpeg();
    EXPECT_EQ(Saved(image), source) << "EnsureJpeg after a load keeps the loaded bytes";

    image.EnsureBitmap();
    ASSERT_NE(image.Bitmap(), nullptr);
    const QImage decoded = *image.Bitmap();
    EXPECT_EQ(decoded.width(), recipe.width);
    EXPECT_EQ(decoded.height(), recipe.height);
    if (gray) {
        ASSERT_EQ(decoded.format(), QImage::Format_Indexed8);
        ASSERT_EQ(decoded.colorTable().size(), 236);
        for (int j = 0; j < 236; ++j) {
            const int v = (255 * j + 117) / 235;
            ASSERT_EQ(decoded.colorTable()[j], qRgb(v, v, v)) << "gray level " << j;
        }
    } else {
        EXPECT_EQ(decoded.format(), QImage::Format_BGR888);
    }
    ExpectQuadrants(decoded, gray, 24);

    image.Encode();
    const Bytes encoded = Saved(image);
    EXPECT_EQ(image.Bitmap()->format(), decoded.format()) << "the held bitmap stays as decoded";

    // The form of the re-encoding: JFIF 1.01 1:1, nothing of the source's own
    // segments, SOF0 with the standard tables or SOF2 with optimized ones.
    ASSERT_GE(encoded.size(), 20u);
    const Bytes jfif = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00,
                        0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    EXPECT_EQ(Bytes(encoded.begin(), encoded.begin() + 20), jfif);
    const auto segments = testing::ListSegments(encoded);
    std::vector<std::uint8_t> markers;
    for (const auto& s : segments)
        markers.push_back(s.marker);
    const auto frame = std::find_if(segments.begin(), segments.end(),
                                    [](const auto& s) { return s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 && s.marker != 0xCC; });
    ASSERT_NE(frame, segments.end());
    EXPECT_EQ(encoded[frame->offset + 9], 3) << "three components, also from a gray source";
    if (multiScan) {
        EXPECT_EQ(frame->marker, 0xC2);
        EXPECT_GT(std::count(markers.begin(), markers.end(), 0xDA), 3);
        const auto dht = std::find_if(segments.begin(), segments.end(), [](const auto& s) { return s.marker == 0xC4; });
        ASSERT_NE(dht, segments.end());
        EXPECT_NE(SegmentBytes(encoded, *dht), kStandardLumaDcSegment) << "progressive tables are optimized";
    } else {
        const std::vector<std::uint8_t> baseline = {0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9};
        EXPECT_EQ(markers, baseline);
        EXPECT_EQ(SegmentBytes(encoded, segments[4]), kStandardLumaDcSegment);
    }

    // Colours survive the round trip.
    TJPEGImage result;
    Load(result, encoded);
    EXPECT_EQ(result.Width(), recipe.width);
    EXPECT_EQ(result.Height(), recipe.height);
    EXPECT_EQ(result.ProgressiveOutput(), multiScan);
    result.EnsureBitmap();
    EXPECT_EQ(result.Bitmap()->format(), QImage::Format_BGR888);
    ExpectQuadrants(*result.Bitmap(), gray, 40);
}

INSTANTIATE_TEST_SUITE_P(Sources, SourceTable, ::testing::ValuesIn(testing::StandardRecipes()),
                         [](const auto& p) { return p.param.name; });

// ---- The exact bytes of a quality-40 re-encoding ----

TEST_F(JPEGImageTest, Quality40HeaderAndTables)
{
    TJPEGImage image;
    image.SetQuality(40);
    Load(image, MakeJpeg({}));
    image.EnsureBitmap();
    image.Encode();
    const Bytes out = Saved(image);

    const Bytes prefix = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01,
                          0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    ASSERT_GT(out.size(), prefix.size() + 64 + 69);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 25), prefix);
    const Bytes luminance = {20, 14, 15, 18, 15, 13, 20, 18, 16, 18, 23, 21, 20, 24, 30, 50,
                             33, 30, 28, 28, 30, 61, 44, 46, 36, 50, 73, 64, 76, 75, 71, 64,
                             70, 69, 80, 90, 115, 98, 80, 85, 109, 86, 69, 70, 100, 136, 101, 109,
                             119, 123, 129, 130, 129, 78, 96, 141, 151, 140, 125, 150, 115, 126, 129, 124};
    EXPECT_EQ(Bytes(out.begin() + 25, out.begin() + 89), luminance);

    // The chrominance table: FF DB 00 43 01, then 64 entries in zigzag order.
    const std::size_t chroma = 89;
    EXPECT_EQ(Bytes(out.begin() + chroma, out.begin() + chroma + 5), (Bytes {0xFF, 0xDB, 0x00, 0x43, 0x01}));
    static const int zigzag[64] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
                                   12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
                                   35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                   58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    int outside = 0;
    for (int k = 0; k < 64; ++k) {
        const int row = zigzag[k] / 8, col = zigzag[k] % 8;
        if (row >= 4 || col >= 4) {
            ++outside;
            EXPECT_EQ(out[chroma + 5 + static_cast<std::size_t>(k)], 124) << "chrominance entry " << row << "," << col;
        }
    }
    EXPECT_EQ(outside, 48);
}

// ---- Malformed and hostile sources ----

struct BadSource {
    const char* name;
    std::function<Bytes()> make;
    int loadError;   // EJPEG code from LoadJpeg, -1 for none
    int decodeError; // EJPEG code from EnsureBitmap, -1 for none (after a load that succeeded)
};

// Where the entropy-coded data of the first scan begins.
std::size_t EntropyStart(const Bytes& jpeg)
{
    for (const auto& s : testing::ListSegments(jpeg))
        if (s.marker == 0xDA)
            return s.offset + 2 + s.length;
    throw std::runtime_error("no scan");
}

// The picture cut inside its entropy-coded data, keeping that share of it.
Bytes Truncated(double keep)
{
    Bytes b = MakeJpeg({.width = 96, .height = 96});
    const std::size_t start = EntropyStart(b);
    b.resize(start + static_cast<std::size_t>(static_cast<double>(b.size() - start) * keep));
    return b;
}

Bytes Damaged()
{
    Bytes b = MakeJpeg({.width = 96, .height = 96});
    const std::size_t start = EntropyStart(b);
    for (std::size_t i = start + 10; i < b.size() - 20; i += 7)
        b[i] = static_cast<std::uint8_t>(b[i] ^ 0x5A) == 0xFF ? 0x00 : static_cast<std::uint8_t>(b[i] ^ 0x5A);
    return b;
}

Bytes WithByte(Bytes b, std::uint8_t marker, std::size_t at, std::uint8_t value)
{
    for (const auto& s : testing::ListSegments(b))
        if (s.marker == marker) {
            b[s.offset + at] = value;
            break;
        }
    return b;
}

Bytes WithoutSegments(Bytes b, std::uint8_t marker)
{
    const auto segs = testing::ListSegments(b);
    for (auto s = segs.rbegin(); s != segs.rend(); ++s)
        if (s->marker == marker)
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(s->offset),
                    b.begin() + static_cast<std::ptrdiff_t>(s->offset + 2 + s->length));
    return b;
}

Bytes Huge(int width, int height)
{
    Bytes b = MakeJpeg({.width = 16, .height = 16});
    testing::PatchFrameSize(b, width, height);
    return b;
}

TEST_F(JPEGImageTest, MalformedSourcesFailWithLibjpegCodes)
{
    const BadSource table[] = {
        {"bmp_file", [] { return Bytes {0x42, 0x4D, 0x36, 0x00, 0x00, 0x00, 0x00, 0x00}; }, JERR_NO_SOI, -1},
        {"one_ff_byte", [] { return Bytes {0xFF}; }, JERR_NO_SOI, -1},
        {"soi_only", [] { return Bytes {0xFF, 0xD8}; }, JERR_NO_IMAGE, -1},
        {"twelve_bit_precision", [] { return WithByte(MakeJpeg({}), 0xC0, 4, 12); }, JERR_BAD_PRECISION, -1},
        {"lossless_frame", [] { return WithByte(MakeJpeg({}), 0xC0, 1, 0xC3); }, JERR_SOF_UNSUPPORTED, -1},
        {"zero_width", [] { return Huge(0, 16); }, JERR_EMPTY_IMAGE, -1},
        {"above_65500", [] { return Huge(16, 65535); }, JERR_IMAGE_TOO_BIG, -1},
        {"bad_segment_length", [] { return WithByte(MakeJpeg({}), 0xDB, 3, 0x10); }, JERR_BAD_LENGTH, -1},
        {"no_quant_table", [] { return WithoutSegments(MakeJpeg({}), 0xDB); }, -1, JERR_NO_QUANT_TABLE},
        // libjpeg-turbo supplies the standard Huffman tables when none is given.
        {"no_huffman_tables", [] { return WithoutSegments(MakeJpeg({}), 0xC4); }, -1, -1},
        {"truncated_entropy_data", [] { return Truncated(0.6); }, -1, -1},
        {"cut_after_scan_header", [] { return Truncated(0.0); }, -1, -1},
        {"damaged_entropy_data", Damaged, -1, -1},
    };
    for (const BadSource& c : table) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = c.make();
        TJPEGImage image;
        EXPECT_EQ(JpegErrorOf([&] { Load(image, bytes); }), c.loadError);
        if (c.loadError != -1) {
            EXPECT_EQ(image.Width(), 0);
            EXPECT_EQ(image.Height(), 0);
            continue;
        }
        EXPECT_EQ(JpegErrorOf([&] { image.EnsureBitmap(); }), c.decodeError);
        ASSERT_NE(image.Bitmap(), nullptr);
        if (c.decodeError == -1) {
            EXPECT_FALSE(image.Bitmap()->isNull());
            EXPECT_EQ(image.Width(), image.Data()->Width);
            image.Encode(); // a damaged picture still re-encodes
            EXPECT_GT(Saved(image).size(), 100u);
        }
    }
}

TEST_F(JPEGImageTest, HostileSizeFailsAsOutOfMemoryBeforeAllocating)
{
    const Bytes sources[] = {Huge(65500, 65500), [] {
                                 Bytes b = MakeJpeg({.width = 16, .height = 16, .progressive = true});
                                 testing::PatchFrameSize(b, 65500, 65500);
                                 return b;
                             }()};
    for (const Bytes& bytes : sources) {
        TJPEGImage image;
        Load(image, bytes);
        EXPECT_EQ(image.Width(), 65500);
        EXPECT_EQ(image.Height(), 65500);
        try {
            image.EnsureBitmap();
            ADD_FAILURE() << "no failure";
        } catch (const EOutOfMemory& e) {
            EXPECT_STREQ(e.what(), "Out of memory");
        }
        ASSERT_NE(image.Bitmap(), nullptr);
        EXPECT_TRUE(image.Bitmap()->isNull()) << "the empty bitmap stays attached";
        EXPECT_NO_THROW(image.EnsureBitmap());
    }
    // Just inside the budget the decode goes ahead: a gray picture of
    // 30000 x 30000 needs 900 MB.
    EXPECT_LT(std::uint64_t {30000} * 30000, jpeg::kDecodeBudget);
    EXPECT_GT(std::uint64_t {65500} * 65500, jpeg::kDecodeBudget);
}

TEST_F(JPEGImageTest, ArithmeticCodingDecodesWithLibjpegTurbo)
{
    // libjpeg-turbo decodes arithmetic coding, so error 1 ("arithmetic coding
    // is not implemented") never comes; such a picture shrinks like any other
    // and is written back with Huffman coding.
    const Bytes source = MakeJpeg({.arithmetic = true});
    ASSERT_NE(std::find(source.begin(), source.end(), 0xC9), source.end()) << "SOF9 in the source";
    TJPEGImage image;
    Load(image, source);
    EXPECT_EQ(JpegErrorOf([&] { image.EnsureBitmap(); }), -1);
    image.Encode();
    const auto segs = testing::ListSegments(Saved(image));
    EXPECT_EQ(segs[3].marker, 0xC0);
}

// ---- States of the object ----

TEST_F(JPEGImageTest, FreshAndEmptyObjects)
{
    TJPEGImage fresh;
    EXPECT_EQ(fresh.Width(), 0);
    EXPECT_EQ(fresh.Height(), 0);
    EXPECT_EQ(fresh.Quality(), 90);
    EXPECT_EQ(fresh.Data()->Data, nullptr) << "no buffer at all";
    fresh.EnsureJpeg();
    ASSERT_NE(fresh.Data()->Data, nullptr);
    EXPECT_EQ(fresh.Data()->Data->Size(), 0);
    EXPECT_TRUE(Saved(fresh).empty());

    // A load from a stream at its end takes zero bytes.
    TJPEGImage empty;
    int changes = 0;
    empty.OnChange = [&] { ++changes; };
    empty.SetProgressiveOutput(true);
    TMemoryStream atEnd;
    atEnd.WriteBuffer("abc", 3);
    empty.LoadJpeg(atEnd);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_TRUE(empty.ProgressiveOutput()) << "a load of zero bytes keeps the flag";
    const TJPEGData* record = empty.Data().get();
    empty.EnsureJpeg();
    EXPECT_EQ(empty.Data().get(), record) << "no re-encode after a load";
    EXPECT_TRUE(Saved(empty).empty());
    EXPECT_EQ(JpegErrorOf([&] { empty.EnsureBitmap(); }), JERR_INPUT_EMPTY);
    ASSERT_NE(empty.Bitmap(), nullptr);
    EXPECT_TRUE(empty.Bitmap()->isNull());
    // The failure is met once; drawing afterwards shows the empty bitmap.
    EXPECT_NO_THROW(empty.EnsureBitmap());
    QImage canvas(8, 8, QImage::Format_RGB32);
    QPainter painter(&canvas);
    EXPECT_NO_THROW(empty.DrawTo(painter, QRect(0, 0, 8, 8)));

    // Encode without a bitmap leaves zero bytes.
    TJPEGImage loaded;
    Load(loaded, MakeJpeg({}));
    loaded.Encode();
    EXPECT_TRUE(Saved(loaded).empty());
    EXPECT_THROW(loaded.SetSize(10, 10), EInvalidGraphicOperation);
    try {
        loaded.SetSize(1, 1);
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Cannot change the size of a JPEG image");
    }
}

TEST_F(JPEGImageTest, FailedLoadLeavesFreshRecordWithTheBytes)
{
    TJPEGImage image;
    Load(image, MakeJpeg({.progressive = true}));
    image.EnsureBitmap();
    ASSERT_TRUE(image.ProgressiveOutput());
    int changes = 0;
    image.OnChange = [&] { ++changes; };
    const Bytes bmp = {0x42, 0x4D, 1, 2, 3, 4};
    EXPECT_EQ(JpegErrorOf([&] { Load(image, bmp); }), JERR_NO_SOI);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(image.Bitmap(), nullptr);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_TRUE(image.ProgressiveOutput());
    EXPECT_EQ(Saved(image), bmp);
}

// A stream whose size promises 100 bytes and that delivers the first 10 of
// a JPEG file.
class ShortStream final : public TStream {
public:
    std::int64_t Size() const override { return 100; }
    std::int64_t Position() const override { return position_; }
    void SetPosition(std::int64_t p) override { position_ = p; }
    std::size_t Read(void* buffer, std::size_t count) override
    {
        static const std::uint8_t head[10] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'};
        const std::size_t n = position_ >= 10 ? 0 : std::min<std::size_t>(count, 10 - static_cast<std::size_t>(position_));
        std::memcpy(buffer, head + position_, n);
        position_ += static_cast<std::int64_t>(n);
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }

private:
    std::int64_t position_ = 0;
};

TEST_F(JPEGImageTest, ShortStreamIsAReadError)
{
    TJPEGImage image;
    ShortStream s;
    try {
        image.LoadJpeg(s);
        ADD_FAILURE() << "no failure";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(Saved(image).size(), 10u) << "the record keeps what the stream delivered";
}

TEST_F(JPEGImageTest, DecodeFailureAfterTheRowsKeepsTheBitmap)
{
    // A bogus table segment in place of a restart marker: libjpeg meets it
    // when the scan ends, after the rows are out.
    Bytes b = MakeJpeg({.width = 64, .height = 64, .restartRows = 1});
    const auto segs = testing::ListSegments(b);
    const auto rst = std::find_if(segs.begin(), segs.end(), [](const auto& s) { return s.marker == 0xD1; });
    ASSERT_NE(rst, segs.end());
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(rst->offset), {0xFF, 0xC4, 0x00, 0x03, 0x00});
    TJPEGImage image;
    Load(image, b);
    EXPECT_NE(JpegErrorOf([&] { image.EnsureBitmap(); }), -1);
    ASSERT_NE(image.Bitmap(), nullptr);
    EXPECT_EQ(image.Bitmap()->size(), QSize(64, 64)) << "the partly decoded bitmap stays";
    EXPECT_EQ(image.Width(), 64);
    EXPECT_NO_THROW(image.EnsureBitmap());
}

TEST_F(JPEGImageTest, ShareFromKeepsTheCopysPicture)
{
    TJPEGImage source;
    source.SetQuality(40);
    const Bytes original = MakeJpeg({});
    Load(source, original);

    auto copy = std::make_unique<TJPEGImage>();
    copy->ShareFrom(source);
    EXPECT_EQ(copy->Quality(), 90);
    EXPECT_EQ(copy->Data(), source.Data()) << "one record, two holders";
    EXPECT_EQ(copy->Bitmap(), nullptr);

    source.EnsureBitmap();
    source.Encode();
    EXPECT_NE(copy->Data(), source.Data());
    EXPECT_EQ(Saved(*copy), original);

    // A copy taken from a decoded object gets its own bitmap.
    TJPEGImage decodedCopy;
    decodedCopy.ShareFrom(source);
    ASSERT_NE(decodedCopy.Bitmap(), nullptr);
    EXPECT_EQ(decodedCopy.Bitmap()->size(), QSize(64, 48));

    {
        TJPEGImage temporary;
        Load(temporary, MakeJpeg({.width = 20, .height = 10}));
        copy->ShareFrom(temporary);
    }
    EXPECT_EQ(copy->Width(), 20);
    QImage canvas(20, 10, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        copy->DrawTo(painter, QRect(0, 0, 20, 10));
    }
    ExpectNear(PixelOf(canvas, 2, 2), {255, 0, 0}, 24, "top-left of the drawn copy");
    ExpectNear(PixelOf(canvas, 17, 2), {0, 0, 255}, 24, "top-right of the drawn copy");
}

// Large bitmaps come from the pool of pixel buffers: a freed one serves the
// next bitmap of its size, copies keep it alive, and a decode that fails
// midway leaves its partly filled bitmap usable as before.
TEST_F(JPEGImageTest, LargeBitmapsReusePooledPixelBuffers)
{
    releasePixelBuffers();
    constexpr int kW = 480, kH = 640; // 921600 bytes of 24-bit pixels: pooled
    const std::size_t bufferBytes = static_cast<std::size_t>(kW * 3) * kH;
    static_assert(static_cast<std::size_t>(kW * 3) * kH >= kPooledMinimumBytes);

    // A freed buffer holding garbage is taken by the decode and overwritten.
    const uchar* buffer = nullptr;
    {
        QImage dirty = allocateBitmap(kW, kH, QImage::Format_BGR888);
        ASSERT_FALSE(dirty.isNull());
        EXPECT_EQ(dirty.bytesPerLine(), kW * 3);
        dirty.fill(Qt::magenta);
        buffer = dirty.constBits();
    }
    EXPECT_EQ(pixelBufferPoolState().count, 1u);
    EXPECT_EQ(pixelBufferPoolState().bytes, bufferBytes);

    auto first = std::make_unique<TJPEGImage>();
    Load(*first, MakeJpeg({.width = kW, .height = kH}));
    first->EnsureBitmap();
    EXPECT_EQ(first->Bitmap()->constBits(), buffer) << "the free buffer of that size is reused";
    EXPECT_EQ(pixelBufferPoolState().count, 0u);
    ExpectQuadrants(*first->Bitmap(), false, 24);

    // A picture box's copy outlives the source and keeps the buffer.
    auto box = std::make_unique<TJPEGImage>();
    box->ShareFrom(*first);
    first.reset();
    ASSERT_NE(box->Bitmap(), nullptr);
    EXPECT_EQ(box->Bitmap()->constBits(), buffer);
    EXPECT_EQ(pixelBufferPoolState().count, 0u) << "still in use by the copy";
    ExpectQuadrants(*box->Bitmap(), false, 24);

    // Writing to a copy of the bitmap moves the copy, never the shared pixels.
    QImage written = *box->Bitmap();
    written.setPixel(kW / 4, kH / 4, qRgb(0, 0, 0));
    EXPECT_NE(written.constBits(), buffer);
    ExpectQuadrants(*box->Bitmap(), false, 24);
    written = QImage();

    box.reset();
    EXPECT_EQ(pixelBufferPoolState().count, 1u) << "the last holder gave the buffer back";

    // The next decode of that size, failing after its rows, gets the same
    // buffer and keeps the partly decoded bitmap usable.
    Bytes bad = MakeJpeg({.width = kW, .height = kH, .coding = testing::Coding::CMYKAdobeInverted, .restartRows = 1});
    const auto segs = testing::ListSegments(bad);
    const auto rst = std::find_if(segs.begin(), segs.end(), [](const auto& s) { return s.marker == 0xD1; });
    ASSERT_NE(rst, segs.end());
    bad.insert(bad.begin() + static_cast<std::ptrdiff_t>(rst->offset), {0xFF, 0xC4, 0x00, 0x03, 0x00});
    TJPEGImage failed;
    Load(failed, bad);
    EXPECT_NE(JpegErrorOf([&] { failed.EnsureBitmap(); }), -1);
    ASSERT_NE(failed.Bitmap(), nullptr);
    EXPECT_EQ(failed.Bitmap()->size(), QSize(kW, kH));
    EXPECT_EQ(failed.Bitmap()->constBits(), buffer);
    EXPECT_NO_THROW(failed.EnsureBitmap());
    QImage canvas(kW, kH, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        failed.DrawTo(painter, QRect(0, 0, kW, kH));
    }
    ExpectNear(PixelOf(canvas, kW / 4, 2), {255, 0, 0}, 24, "first rows of the failed decode");

    // Small bitmaps stay plain heap images and leave the pool alone.
    TJPEGImage small;
    Load(small, MakeJpeg({}));
    small.EnsureBitmap();
    EXPECT_EQ(pixelBufferPoolState().count, 0u);
    releasePixelBuffers();
}

TEST_F(JPEGImageTest, DrawToCopiesPixelsAndScalesWithoutSmoothing)
{
    TJPEGImage image;
    Load(image, MakeJpeg({.width = 32, .height = 32}));
    QImage canvas(80, 80, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        image.DrawTo(painter, QRect(4, 4, 32, 32));
        image.DrawTo(painter, QRect(0, 40, 64, 32)); // twice as wide
        EXPECT_TRUE(painter.testRenderHint(QPainter::SmoothPixmapTransform)) << "the canvas's hints are kept";
    }
    const QImage& bitmap = *image.Bitmap();
    for (int y = 0; y < 32; y += 5)
        for (int x = 0; x < 32; x += 3)
            ASSERT_EQ(canvas.pixel(x + 4, y + 4), bitmap.pixel(x, y) | 0xFF000000u) << x << "," << y;
    // Columns are repeated: each scaled pixel equals a bitmap pixel.
    for (int x = 0; x < 64; ++x)
        ASSERT_EQ(canvas.pixel(x, 40 + 16), bitmap.pixel(x / 2, 16) | 0xFF000000u) << x;
}

TEST_F(JPEGImageTest, PaletteOutputQuantizesAndReencodesExpanded)
{
    InitJPEGDefaults(8);
    EXPECT_TRUE(JPEGDefaults().PaletteOutput);
    TJPEGImage image;
    InitJPEGDefaults(24);
    EXPECT_TRUE(image.PaletteOutput()) << "settings are copied when the object is made";
    EXPECT_FALSE(JPEGDefaults().PaletteOutput);

    Load(image, MakeJpeg({}));
    image.EnsureBitmap();
    const QImage& bitmap = *image.Bitmap();
    ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
    EXPECT_GT(bitmap.colorTable().size(), 0);
    EXPECT_LE(bitmap.colorTable().size(), 236);
    ExpectQuadrants(bitmap, false, 24);
    image.Encode();
    EXPECT_EQ(image.Bitmap()->format(), QImage::Format_Indexed8);
    TJPEGImage result;
    Load(result, Saved(image));
    result.EnsureBitmap();
    ExpectQuadrants(*result.Bitmap(), false, 40);

    // Four-component pictures decode to 24 bits even with palette output.
    image.SetPaletteOutput(true);
    Load(image, MakeJpeg({.coding = testing::Coding::CMYKAdobeInverted}));
    image.EnsureBitmap();
    EXPECT_EQ(image.Bitmap()->format(), QImage::Format_BGR888);
}

TEST_F(JPEGImageTest, DefaultsAndFormats)
{
    InitJPEGDefaults(32);
    const TJPEGSettings& d = JPEGDefaults();
    EXPECT_EQ(d.Quality, 90);
    EXPECT_FALSE(d.PaletteOutput);
    EXPECT_TRUE(d.Smoothing);
    EXPECT_FALSE(d.GrayScale || d.Performance || d.ProgressiveDisplay || d.ProgressiveOutput);
    EXPECT_EQ(d.Scale, TJPEGScale::jsFullSize);
    TJPEGImage a;
    a.SetQuality(40);
    EXPECT_EQ(JPEGDefaults().Quality, 90);
    EXPECT_EQ(TJPEGImage().Quality(), 90);

    RegisterJPEGFormats();
    RegisterJPEGFormats(); // registers once
    std::vector<std::string> seen;
    for (const auto& f : RegisteredPictureFormats())
        seen.push_back(f.Extension + "=" + f.Description);
    const std::vector<std::string> expected = {"wmf=Metafiles", "emf=Enhanced Metafiles", "ico=Icons", "bmp=Bitmaps",
                                               "jpeg=JPEG Image File", "jpg=JPEG Image File"};
    EXPECT_EQ(seen, expected);
}

} // namespace
} // namespace dwindle
