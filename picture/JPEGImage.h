#pragma once
// The program's JPEG image object: one picture held as JPEG bytes, as a decoded
// bitmap, or both, converted between the two with libjpeg.

#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>

class QPainter;
class QRect;

namespace dwindle {

class TStream;
class TMemoryStream;

enum class TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };

// The settings that decide the bitmap a decode yields.
struct TJPEGDecodeKey {
    bool PaletteOutput = false;
    bool GrayScale = false;
    bool Performance = false;
    bool Smoothing = true;
    TJPEGScale Scale = TJPEGScale::jsFullSize;
    bool operator==(const TJPEGDecodeKey&) const = default;
};

// A successful decode of a record's bytes with the settings that made it.
struct TJPEGDecoded {
    TJPEGDecodeKey Key;
    QImage Bitmap;
};

// JPEG bytes and the picture's size, shared by reference between image
// objects. A record that has a byte buffer is never altered afterwards.
struct TJPEGData {
    std::unique_ptr<TMemoryStream> Data; // no buffer at all (null) differs from an empty one
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // The last successful decode of Data. Another holder that decodes with the
    // same settings takes these pixels (shared until written to) instead of
    // decoding the same bytes again: the batch run's working image and the
    // copy in the stored picture's box decode once between them. A failed
    // decode leaves nothing here, so each holder meets that failure itself.
    std::shared_ptr<const TJPEGDecoded> LastDecode;
};

// The codec settings of an image object. Copied from the process-wide defaults
// when an object is created.
struct TJPEGSettings {
    int Quality = 90;
    bool GrayScale = false;
    bool Performance = false; // fast decoding
    bool PaletteOutput = false;
    bool ProgressiveDisplay = false;
    bool ProgressiveOutput = false;
    TJPEGScale Scale = TJPEGScale::jsFullSize;
    bool Smoothing = true; // block smoothing
};

// Fills the defaults record; called once at start-up, before any object exists,
// with the display's bits per pixel times its colour planes.
void InitJPEGDefaults(int displayBitsPerPixel);
const TJPEGSettings& JPEGDefaults();

// Registers "jpeg" and "jpg" as "JPEG Image File" with the picture formats.
void RegisterJPEGFormats();

class TJPEGImage {
public:
    TJPEGImage();
    ~TJPEGImage();
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    void LoadJpeg(TStream& stream);
    void SaveJpeg(TStream& stream);
    std::int32_t Width() const noexcept;
    std::int32_t Height() const noexcept;
    int Quality() const noexcept { return settings_.Quality; }
    void SetQuality(int quality) noexcept { settings_.Quality = quality; }
    bool ProgressiveOutput() const noexcept { return settings_.ProgressiveOutput; }
    void SetProgressiveOutput(bool value) noexcept { settings_.ProgressiveOutput = value; }
    bool PaletteOutput() const noexcept { return settings_.PaletteOutput; }
    void SetPaletteOutput(bool value) noexcept { settings_.PaletteOutput = value; }
    const TJPEGSettings& Settings() const noexcept { return settings_; }

    void EnsureJpeg();
    void EnsureBitmap();
    void Encode();
    // Decodes when no bitmap is held, then copies the bitmap into rect.
    void DrawTo(QPainter& canvas, const QRect& rect);
    // Takes the source's data record (one more reference) and a copy of its
    // bitmap; settings are not copied.
    void ShareFrom(const TJPEGImage& source);
    // Always fails: "Cannot change the size of a JPEG image".
    void SetSize(int width, int height);

    // The held bitmap, or null. 24-bit pixels in blue-green-red order
    // (QImage::Format_BGR888) or 8-bit palette indices (QImage::Format_Indexed8).
    const QImage* Bitmap() const noexcept { return bitmap_.get(); }
    const std::shared_ptr<TJPEGData>& Data() const noexcept { return data_; }
    // Signalled at the end of a successful LoadJpeg.
    std::function<void()> OnChange;

private:
    std::shared_ptr<TJPEGData> data_;
    std::unique_ptr<QImage> bitmap_;
    TJPEGSettings settings_;
};

} // namespace dwindle
