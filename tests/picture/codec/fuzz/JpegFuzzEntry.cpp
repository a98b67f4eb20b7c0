#include "JpegFuzzEntry.h"

#include "Exceptions.h"
#include "JPEGImage.h"
#include "Stream.h"

#include <cstdio>
#include <cstdlib>

namespace dwindle::fuzz {
namespace {

// Pictures above this many pixels are only loaded: decoding a header that asks
// for hundreds of megapixels tells nothing new and stalls the fuzzer.
constexpr std::int64_t kMaxFuzzPixels = 1'000'000;

[[noreturn]] void Finding(const char* what)
{
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

} // namespace

void RunJpegOnce(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream in;
    in.WriteBuffer(data, size);
    in.SetPosition(0);

    TJPEGImage image;
    image.SetQuality(40);
    try {
        image.LoadJpeg(in);
    } catch (const Exception&) {
        return;
    }
    if (image.Width() < 0 || image.Height() < 0 || image.Width() > 65500 || image.Height() > 65500)
        Finding("header size out of range");
    if (static_cast<std::int64_t>(image.Width()) * image.Height() > kMaxFuzzPixels)
        return;

    const std::int32_t headerWidth = image.Width(), headerHeight = image.Height();
    try {
        image.EnsureJpeg();
        image.EnsureBitmap();
    } catch (const Exception&) {
        // The attached empty or partial bitmap is re-encoded below, as a
        // second drawing would show it.
    }
    if (image.Bitmap() == nullptr)
        Finding("no bitmap attached after a decode");
    const bool decoded = !image.Bitmap()->isNull();
    if (decoded && (image.Width() != headerWidth || image.Height() != headerHeight))
        Finding("bitmap size differs from the header");

    TMemoryStream out;
    try {
        image.Encode();
        image.SaveJpeg(out);
    } catch (const EOutOfMemory&) {
        return;
    } catch (const Exception&) {
        Finding("encoding a held bitmap failed");
    }
    if (!decoded) {
        if (out.Size() != 0)
            Finding("bytes encoded from an empty bitmap");
        return;
    }

    out.SetPosition(0);
    TJPEGImage result;
    try {
        result.LoadJpeg(out);
    } catch (const Exception&) {
        Finding("the re-encoding does not load");
    }
    if (result.Width() != headerWidth || result.Height() != headerHeight)
        Finding("the re-encoding has another size");
}

} // namespace dwindle::fuzz
