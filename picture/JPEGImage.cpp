#include "JPEGImage.h"

#include "Exceptions.h"
#include "JpegCodec.h"
#include "PictureFormats.h"
#include "PixelBuffers.h"
#include "Stream.h"

#include <QPainter>
#include <QRect>

#include <algorithm>
#include <new>

namespace dwindle {

namespace {

// The 24-bit copy the encoder takes of a bitmap in another format. Palette
// bitmaps (the decoder's 8-bit output) are expanded into a pooled buffer, so
// that encoding them leaves no large block on the heap; a null image when the
// memory cannot be had.
QImage ToBgr(const QImage& source)
{
    if (source.format() != QImage::Format_Indexed8)
        return source.convertToFormat(QImage::Format_BGR888);
    QImage copy = allocateBitmap(source.width(), source.height(), QImage::Format_BGR888);
    if (copy.isNull())
        return copy;
    const QList<QRgb> palette = source.colorTable();
    for (int y = 0; y < source.height(); ++y) {
        const uchar* in = source.constScanLine(y);
        uchar* out = copy.scanLine(y);
        for (int x = 0; x < source.width(); ++x, out += 3) {
            const QRgb c = in[x] < palette.size() ? palette[in[x]] : qRgb(0, 0, 0);
            out[0] = static_cast<uchar>(qBlue(c));
            out[1] = static_cast<uchar>(qGreen(c));
            out[2] = static_cast<uchar>(qRed(c));
        }
    }
    return copy;
}

} // namespace

namespace {

TJPEGSettings& DefaultsRecord() noexcept
{
    static TJPEGSettings defaults;
    return defaults;
}

int ScaleDenominator(TJPEGScale scale) noexcept
{
    switch (scale) {
    case TJPEGScale::jsHalf: return 2;
    case TJPEGScale::jsQuarter: return 4;
    case TJPEGScale::jsEighth: return 8;
    case TJPEGScale::jsFullSize: break;
    }
    return 1;
}

// Runs codec work, turning a failed allocation of our own into the program's
// out-of-memory failure.
template <class Work>
void WithMemoryFailure(Work&& work)
{
    try {
        work();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory");
    }
}

const std::uint8_t* BytesOf(const TJPEGData& data) noexcept
{
    return data.Data ? data.Data->Memory() : nullptr;
}

std::size_t SizeOf(const TJPEGData& data) noexcept
{
    return data.Data ? static_cast<std::size_t>(data.Data->Size()) : 0;
}

} // namespace

void InitJPEGDefaults(int displayBitsPerPixel)
{
    TJPEGSettings defaults;
    defaults.PaletteOutput = displayBitsPerPixel <= 8;
    DefaultsRecord() = defaults;
}

const TJPEGSettings& JPEGDefaults()
{
    return DefaultsRecord();
}

void RegisterJPEGFormats()
{
    static const bool registered = [] {
        RegisterFileFormat("jpeg", "JPEG Image File");
        RegisterFileFormat("jpg", "JPEG Image File");
        return true;
    }();
    (void)registered;
}

TJPEGImage::TJPEGImage()
    : data_(std::make_shared<TJPEGData>())
    , settings_(JPEGDefaults())
{
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::LoadJpeg(TStream& stream)
{
    const std::int64_t count = std::max<std::int64_t>(stream.Size() - stream.Position(), 0);
    bitmap_.reset();
    WithMemoryFailure([&] {
        data_ = std::make_shared<TJPEGData>();
        data_->Data = std::make_unique<TMemoryStream>();
        data_->Data->SetSize(count);
    });
    // A stream that delivers fewer bytes than it announced leaves the record
    // with the bytes it did deliver.
    const auto wanted = static_cast<std::size_t>(count);
    std::size_t got = 0;
    while (got < wanted) {
        const std::size_t n = stream.Read(data_->Data->Memory() + got, wanted - got);
        if (n == 0)
            break;
        got += n;
    }
    if (got != wanted) {
        data_->Data->SetSize(static_cast<std::int64_t>(got));
        throw EReadError("Stream read error");
    }
    if (count > 0) {
        const jpeg::HeaderInfo header = jpeg::ReadHeader(BytesOf(*data_), SizeOf(*data_));
        data_->Width = header.width;
        data_->Height = header.height;
        settings_.ProgressiveOutput = header.multipleScans;
    }
    if (OnChange)
        OnChange();
}

void TJPEGImage::SaveJpeg(TStream& stream)
{
    EnsureJpeg();
    if (data_->Data)
        stream.WriteBuffer(data_->Data->Memory(), SizeOf(*data_));
}

std::int32_t TJPEGImage::Width() const noexcept
{
    return bitmap_ ? bitmap_->width() : data_->Width;
}

std::int32_t TJPEGImage::Height() const noexcept
{
    return bitmap_ ? bitmap_->height() : data_->Height;
}

void TJPEGImage::EnsureJpeg()
{
    if (!data_->Data)
        Encode();
}

void TJPEGImage::EnsureBitmap()
{
    if (bitmap_)
        return;
    const TJPEGDecodeKey key{settings_.PaletteOutput, settings_.GrayScale, settings_.Performance, settings_.Smoothing,
                             settings_.Scale};
    if (data_->LastDecode && data_->LastDecode->Key == key) {
        bitmap_ = std::make_unique<QImage>(data_->LastDecode->Bitmap);
        return;
    }
    // Attached before decoding: a picture that fails to decode keeps this
    // empty (or partly filled) bitmap and is not decoded again.
    bitmap_ = std::make_unique<QImage>();
    jpeg::DecodeOptions options;
    options.paletteOutput = settings_.PaletteOutput;
    options.grayScale = settings_.GrayScale;
    options.performance = settings_.Performance;
    options.smoothing = settings_.Smoothing;
    options.scaleDenom = ScaleDenominator(settings_.Scale);
    // A record without any buffer decodes like zero bytes: error 42.
    WithMemoryFailure([&] { jpeg::Decode(BytesOf(*data_), SizeOf(*data_), options, *bitmap_); });
    if (data_->Data)
        data_->LastDecode = std::make_shared<const TJPEGDecoded>(TJPEGDecoded{key, *bitmap_});
}

void TJPEGImage::Encode()
{
    // Never write into a record that another object may hold.
    WithMemoryFailure([&] {
        data_ = std::make_shared<TJPEGData>();
        data_->Data = std::make_unique<TMemoryStream>();
    });
    if (!bitmap_ || bitmap_->width() == 0 || bitmap_->height() == 0)
        return;
    data_->Width = bitmap_->width();
    data_->Height = bitmap_->height();
    WithMemoryFailure([&] {
        // The codec takes 24-bit rows; a palette bitmap is expanded into a copy.
        if (bitmap_->format() == QImage::Format_BGR888) {
            jpeg::Encode(*bitmap_, settings_.Quality, settings_.ProgressiveOutput, *data_->Data);
        } else {
            const QImage copy = ToBgr(*bitmap_);
            if (copy.isNull())
                throw EOutOfMemory("Out of memory");
            jpeg::Encode(copy, settings_.Quality, settings_.ProgressiveOutput, *data_->Data);
        }
    });
}

void TJPEGImage::DrawTo(QPainter& canvas, const QRect& rect)
{
    EnsureBitmap();
    if (bitmap_->isNull() || rect.isEmpty())
        return;
    if (rect.size() == bitmap_->size()) {
        canvas.drawImage(rect.topLeft(), *bitmap_);
        return;
    }
    // Scaled by repeating or dropping whole rows and columns.
    const bool smooth = canvas.testRenderHint(QPainter::SmoothPixmapTransform);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.drawImage(rect, *bitmap_);
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

void TJPEGImage::ShareFrom(const TJPEGImage& source)
{
    if (&source == this)
        return;
    data_ = source.data_;
    // QImage copies share their pixels until one of them is written to.
    bitmap_ = source.bitmap_ ? std::make_unique<QImage>(*source.bitmap_) : nullptr;
}

void TJPEGImage::SetSize(int, int)
{
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

} // namespace dwindle
