#pragma once
// libjpeg's source and destination over the program's in-memory byte buffers.
// Both move data in blocks of 4096 bytes. The source behaves at the end of
// the data as libjpeg's own file source does: no byte at all is the fatal
// error "empty input" (42); an end met later is a warning, and the source then
// supplies an end-of-image marker, so that data cut short decodes as far as it
// goes.

#include <cstddef>
#include <cstdio> // jpeglib.h needs size_t and FILE declared first
#include <jpeglib.h>

#include <cstddef>
#include <cstdint>

namespace dwindle {
class TMemoryStream;
}

namespace dwindle::jpeg {

inline constexpr std::size_t kBlockSize = 4096;

struct MemorySource {
    jpeg_source_mgr pub {}; // first member: libjpeg's src points here
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0; // start of the next block to hand out
    bool startOfFile = true;
};

// The buffer must outlive the decompressor's use of it.
void AttachMemorySource(MemorySource& source, jpeg_decompress_struct& cinfo,
                        const std::uint8_t* data, std::size_t size) noexcept;

struct MemoryDestination {
    jpeg_destination_mgr pub {}; // first member: libjpeg's dest points here
    TMemoryStream* stream = nullptr;
    JOCTET block[kBlockSize];
};

// Appends the compressor's output to stream at its position. A failure to
// write (memory) ends the compression with that failure, raised by the guard.
void AttachMemoryDestination(MemoryDestination& destination, jpeg_compress_struct& cinfo,
                             TMemoryStream& stream) noexcept;

} // namespace dwindle::jpeg
