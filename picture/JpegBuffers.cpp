#include "JpegBuffers.h"

#include "JpegGuard.h"
#include "Stream.h"

#include <jerror.h>

#include <algorithm>
#include <type_traits>

namespace dwindle::jpeg {
namespace {

static_assert(std::is_standard_layout_v<MemorySource>);
static_assert(std::is_standard_layout_v<MemoryDestination>);

const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

MemorySource& SourceOf(j_decompress_ptr cinfo) noexcept
{
    return *reinterpret_cast<MemorySource*>(cinfo->src);
}

MemoryDestination& DestinationOf(j_compress_ptr cinfo) noexcept
{
    return *reinterpret_cast<MemoryDestination*>(cinfo->dest);
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    MemorySource& src = SourceOf(cinfo);
    if (src.offset >= src.size) {
        if (src.startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src.pub.next_input_byte = kFakeEndOfImage;
        src.pub.bytes_in_buffer = sizeof kFakeEndOfImage;
    } else {
        const std::size_t n = std::min(kBlockSize, src.size - src.offset);
        src.pub.next_input_byte = src.data + src.offset;
        src.pub.bytes_in_buffer = n;
        src.offset += n;
    }
    src.startOfFile = false;
    return TRUE;
}

// Skips within the buffer; a skip past its end lands on the end of the data,
// where the next fill supplies the end-of-image marker.
void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    MemorySource& src = SourceOf(cinfo);
    const auto n = static_cast<std::size_t>(count);
    if (n <= src.pub.bytes_in_buffer) {
        src.pub.next_input_byte += n;
        src.pub.bytes_in_buffer -= n;
        return;
    }
    const std::size_t beyond = n - src.pub.bytes_in_buffer;
    const std::size_t remaining = src.size - src.offset;
    src.offset = beyond >= remaining ? src.size : src.offset + beyond;
    src.pub.bytes_in_buffer = 0;
    FillInputBuffer(cinfo);
}

bool WriteBlock(j_compress_ptr cinfo, std::size_t count) noexcept
{
    MemoryDestination& dest = DestinationOf(cinfo);
    try {
        dest.stream->WriteBuffer(dest.block, count);
        return true;
    } catch (...) {
        KeepPending(*reinterpret_cast<j_common_ptr>(cinfo), std::current_exception());
        return false;
    }
}

void InitDestination(j_compress_ptr cinfo)
{
    MemoryDestination& dest = DestinationOf(cinfo);
    dest.pub.next_output_byte = dest.block;
    dest.pub.free_in_buffer = kBlockSize;
}

// libjpeg calls this with the whole block full, whatever free_in_buffer says.
boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    if (!WriteBlock(cinfo, kBlockSize))
        FailFromCallback(*reinterpret_cast<j_common_ptr>(cinfo));
    InitDestination(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    const std::size_t used = kBlockSize - DestinationOf(cinfo).pub.free_in_buffer;
    if (used != 0 && !WriteBlock(cinfo, used))
        FailFromCallback(*reinterpret_cast<j_common_ptr>(cinfo));
}

} // namespace

void AttachMemorySource(MemorySource& source, jpeg_decompress_struct& cinfo,
                        const std::uint8_t* data, std::size_t size) noexcept
{
    source.pub.init_source = InitSource;
    source.pub.fill_input_buffer = FillInputBuffer;
    source.pub.skip_input_data = SkipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = TermSource;
    source.pub.next_input_byte = nullptr;
    source.pub.bytes_in_buffer = 0;
    source.data = data;
    source.size = data ? size : 0;
    source.offset = 0;
    source.startOfFile = true;
    cinfo.src = &source.pub;
}

void AttachMemoryDestination(MemoryDestination& destination, jpeg_compress_struct& cinfo,
                             TMemoryStream& stream) noexcept
{
    destination.pub.init_destination = InitDestination;
    destination.pub.empty_output_buffer = EmptyOutputBuffer;
    destination.pub.term_destination = TermDestination;
    destination.stream = &stream;
    cinfo.dest = &destination.pub;
}

} // namespace dwindle::jpeg
