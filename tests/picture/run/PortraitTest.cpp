// The portrait generator that the run's fixtures and the demo database come
// from: same seed, same bytes; exact sizes by padding; the two special forms.
#include "Portrait.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>

namespace {

using dwindle::seed::makePortrait;
using dwindle::seed::padJpegTo;
using dwindle::seed::PortraitRecipe;

struct Header {
    int width = 0, height = 0, components = 0;
    bool progressive = false;
    bool ok = false;
};

struct Jump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Reads the frame header with libjpeg itself, and then the whole picture, so
// that padding that breaks the file is noticed.
Header readWhole(const std::vector<std::uint8_t>& bytes)
{
    Header h;
    jpeg_decompress_struct cinfo{};
    Jump err{};
    std::vector<std::uint8_t> row;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Jump*>(c->err)->jump, 1); };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return h;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    h.width = static_cast<int>(cinfo.image_width);
    h.height = static_cast<int>(cinfo.image_height);
    h.components = cinfo.num_components;
    h.progressive = jpeg_has_multiple_scans(&cinfo);
    jpeg_start_decompress(&cinfo);
    row.resize(static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    h.ok = true;
    return h;
}

TEST(Portrait, SameSpecGivesSameBytesAndOtherSeedOtherBytes)
{
    PortraitRecipe recipe;
    recipe.seed = 7;
    const auto a = makePortrait(recipe);
    EXPECT_EQ(a, makePortrait(recipe));
    recipe.seed = 8;
    EXPECT_NE(a, makePortrait(recipe));
    EXPECT_EQ(dwindle::seed::portraitSpec(3, 11).seed, dwindle::seed::portraitSpec(3, 11).seed);
}

TEST(Portrait, SpecialFormsAreWhatTheyClaim)
{
    PortraitRecipe recipe;
    recipe.progressive = true;
    const Header progressive = readWhole(makePortrait(recipe));
    ASSERT_TRUE(progressive.ok);
    EXPECT_TRUE(progressive.progressive);
    EXPECT_EQ(progressive.components, 3);
    EXPECT_EQ(progressive.width, 480);
    EXPECT_EQ(progressive.height, 640);

    recipe.progressive = false;
    recipe.gray = true;
    const Header gray = readWhole(makePortrait(recipe));
    ASSERT_TRUE(gray.ok);
    EXPECT_FALSE(gray.progressive);
    EXPECT_EQ(gray.components, 1);
}

TEST(Portrait, SetIsMostlyOverTheWriteBackSizeWithSomeUnder)
{
    int over = 0;
    const int count = 30;
    for (int i = 0; i < count; ++i)
        over += makePortrait(dwindle::seed::portraitSpec(1, i)).size() > 50000 ? 1 : 0;
    EXPECT_GT(over, count / 2);
    EXPECT_LT(over, count);
}

// Padding must hit the size exactly for every remainder, including those too
// small for a comment segment and those that need more than one segment.
TEST(Portrait, PaddingHitsExactSizeAndKeepsThePicture)
{
    PortraitRecipe recipe;
    recipe.texture = 0.1;
    const auto base = makePortrait(recipe);
    for (std::size_t extra : {0u, 1u, 3u, 4u, 5u, 65537u, 65538u, 65540u, 65541u, 140000u}) {
        SCOPED_TRACE(extra);
        const auto padded = padJpegTo(base, base.size() + extra);
        ASSERT_EQ(padded.size(), base.size() + extra);
        const Header h = readWhole(padded);
        EXPECT_TRUE(h.ok);
        EXPECT_EQ(h.width, 480);
    }
    EXPECT_THROW(padJpegTo(base, base.size() - 1), std::invalid_argument);
    EXPECT_THROW(padJpegTo({'B', 'M', 0, 0}, 100), std::invalid_argument);
}

} // namespace
