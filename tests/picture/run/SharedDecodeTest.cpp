// The run decodes each stored picture once: the stored picture's box takes the
// working image's decode instead of decoding the same bytes again, but only
// when its settings would give the same bitmap, and never a failed decode.

#include "RunFixture.h"

#include "Exceptions.h"

namespace dwindle::runtest {
namespace {

struct Loaded {
    TJPEGImage working; // as the run's working image
    TJPEGImage box;     // as the copy the box takes before the decode
    explicit Loaded(const Bytes& bytes)
    {
        TMemoryStream stream;
        if (!bytes.empty())
            stream.WriteBuffer(bytes.data(), bytes.size());
        stream.SetPosition(0);
        working.SetQuality(40);
        working.LoadJpeg(stream);
        box.ShareFrom(working);
    }
};

TEST(SharedDecode, BoxTakesTheWorkingImagesPixelsAndKeepsThemAfterTheReencode)
{
    Loaded l(portrait(61, 90, 1.0));
    l.working.EnsureBitmap();
    l.working.Encode();
    l.box.EnsureBitmap();
    ASSERT_NE(l.box.Bitmap(), nullptr);
    EXPECT_EQ(l.box.Bitmap()->constBits(), l.working.Bitmap()->constBits()) << "decoded a second time";
    EXPECT_EQ(l.box.Width(), 480);
}

TEST(SharedDecode, OtherDecodeSettingsDecodeTheirOwn)
{
    Loaded l(portrait(62, 90, 1.0));
    l.box.SetPaletteOutput(!l.working.PaletteOutput());
    l.working.EnsureBitmap();
    l.box.EnsureBitmap();
    EXPECT_NE(l.box.Bitmap()->constBits(), l.working.Bitmap()->constBits());
    EXPECT_NE(l.box.Bitmap()->format(), l.working.Bitmap()->format());
}

// The box reports a picture that does not decode at its own first drawing.
TEST(SharedDecode, FailedDecodeIsMetByEveryHolder)
{
    Loaded l(Bytes{});
    EXPECT_THROW(l.working.EnsureBitmap(), EJPEG);
    try {
        l.box.EnsureBitmap();
        FAIL() << "the box's copy decoded a picture that has no bytes";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.code(), 42);
    }
}

} // namespace
} // namespace dwindle::runtest
