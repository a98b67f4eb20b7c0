#pragma once
// The libjpeg work behind the image object: reading a header, decoding into
// a bitmap and encoding a bitmap, each over an in-memory buffer. Fatal codec
// errors raise EJPEG with libjpeg's message code; exhausted memory raises
// EOutOfMemory.

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace dwindle {
class TMemoryStream;
}

namespace dwindle::jpeg {

// The most a decode may allocate for the picture: the bitmap plus the
// whole-picture buffers that libjpeg itself keeps for multi-scan pictures and
// for two-pass colour quantizing. Checked after the header is read and before
// libjpeg allocates, since Linux overcommits memory: an allocation far beyond
// what the machine has succeeds and the process is killed later.
inline constexpr std::uint64_t kDecodeBudget = std::uint64_t {1} << 30; // 1 GiB

struct HeaderInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool multipleScans = false; // progressive, or sequential with one scan per component group
};

// Reads the header from the first byte, stopping at the first scan.
HeaderInfo ReadHeader(const std::uint8_t* data, std::size_t size);

struct DecodeOptions {
    bool paletteOutput = false; // quantize colour pictures to a 236-colour palette
    bool grayScale = false;     // decode colour pictures to gray
    bool performance = false;   // fast integer IDCT, one-pass ordered dithering
    bool smoothing = true;      // block smoothing
    int scaleDenom = 1;         // 1, 2, 4 or 8
};

// Decodes into bitmap, which the caller has already attached to its object:
// it is replaced by an image of the output size (Format_BGR888, or
// Format_Indexed8 with the quantizer's palette) once decompression has
// started, and its rows are filled from the top. After a failure it keeps
// what it had: still empty when the failure came before decompression
// started, otherwise sized, with the rows not yet decoded set to zero.
void Decode(const std::uint8_t* data, std::size_t size, const DecodeOptions& options, QImage& bitmap);

// Encodes a 24-bit picture (Format_BGR888) as JFIF at quality (clamped to
// 1..100), baseline with the standard Huffman tables, or progressive with
// optimized tables, appending the bytes to out.
void Encode(const QImage& bgr, int quality, bool progressive, TMemoryStream& out);

} // namespace dwindle::jpeg
