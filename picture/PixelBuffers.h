#pragma once
// Large bitmaps on a small pool of reused pixel buffers.
//
// A batch run decodes thousands of pictures of a few sizes. Freed to the
// general heap, their megabyte-sized pixel buffers make glibc raise its
// dynamic mmap threshold and then fragment the heap between the sizes, so the
// process grows with the length of the run. Buffers above kPooledMinimumBytes
// are therefore mapped on their own and, when the last image sharing one goes,
// kept for the next bitmap of exactly that byte size instead of being
// returned to the heap (or unmapped and faulted in again).

#include <QImage>

#include <cstddef>

namespace dwindle {

// Below this many pixel bytes a bitmap is a plain QImage.
inline constexpr std::size_t kPooledMinimumBytes = 256 * 1024;
// At most this many free buffers, and this many bytes of them, are kept; the
// oldest go first.
inline constexpr std::size_t kPooledMaximumCount = 4;
inline constexpr std::size_t kPooledMaximumBytes = 48u * 1024 * 1024;

// An uninitialised bitmap with rows 4-byte aligned, as QImage(width, height,
// format) makes it; a null image when the memory cannot be had. Writing to
// it (bits(), scanLine()) does not copy while the image is not shared; its
// copies share the buffer until one of them is written to. Safe from any
// thread.
QImage allocateBitmap(int width, int height, QImage::Format format);

// The free buffers the pool holds now and their bytes (for tests and
// benchmarks).
struct PixelBufferPoolState {
    std::size_t count = 0;
    std::size_t bytes = 0;
};
PixelBufferPoolState pixelBufferPoolState();

// Unmaps every free buffer.
void releasePixelBuffers() noexcept;

} // namespace dwindle
