#include "PixelBuffers.h"

#include <sys/mman.h>

#include <cstdint>
#include <deque>
#include <iterator>
#include <limits>
#include <mutex>
#include <new>

namespace dwindle {
namespace {

// One mapped buffer; travels as the cleanup argument of the image on it.
struct Buffer {
    void* data;
    std::size_t size;
};

class Pool {
public:
    ~Pool() { Clear(); }

    // A free buffer of exactly size bytes, or null.
    Buffer* Take(std::size_t size) noexcept
    {
        std::lock_guard lock(mutex_);
        for (auto it = free_.rbegin(); it != free_.rend(); ++it) {
            if ((*it)->size == size) {
                Buffer* b = *it;
                free_.erase(std::next(it).base());
                bytes_ -= size;
                return b;
            }
        }
        return nullptr;
    }

    // Keeps the buffer, newest last, and unmaps the oldest over the limits.
    void Give(Buffer* b) noexcept
    {
        std::lock_guard lock(mutex_);
        try {
            free_.push_back(b);
        } catch (...) {
            Unmap(b);
            return;
        }
        bytes_ += b->size;
        while (!free_.empty() && (free_.size() > kPooledMaximumCount || bytes_ > kPooledMaximumBytes)) {
            Buffer* old = free_.front();
            free_.pop_front();
            bytes_ -= old->size;
            Unmap(old);
        }
    }

    PixelBufferPoolState State()
    {
        std::lock_guard lock(mutex_);
        return {free_.size(), bytes_};
    }

    void Clear() noexcept
    {
        std::lock_guard lock(mutex_);
        for (Buffer* b : free_)
            Unmap(b);
        free_.clear();
        bytes_ = 0;
    }

    static void Unmap(Buffer* b) noexcept
    {
        munmap(b->data, b->size);
        delete b;
    }

private:
    std::mutex mutex_;
    std::deque<Buffer*> free_;
    std::size_t bytes_ = 0;
};

Pool& ThePool()
{
    // Never destroyed: images may still be freed during static destruction.
    static Pool* pool = new Pool;
    return *pool;
}

void ReturnBuffer(void* info)
{
    ThePool().Give(static_cast<Buffer*>(info));
}

Buffer* MapBuffer(std::size_t size) noexcept
{
    auto* b = new (std::nothrow) Buffer {nullptr, size};
    if (!b)
        return nullptr;
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        delete b;
        return nullptr;
    }
    b->data = p;
    return b;
}

} // namespace

QImage allocateBitmap(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0 || format == QImage::Format_Invalid)
        return QImage(width, height, format);
    const std::uint64_t depth = QImage::toPixelFormat(format).bitsPerPixel();
    // Rows padded to whole 32-bit words, as QImage lays out its own buffers.
    const std::uint64_t bytesPerLine = (static_cast<std::uint64_t>(width) * depth + 31) / 32 * 4;
    const std::uint64_t size = bytesPerLine * static_cast<std::uint64_t>(height);
    if (size < kPooledMinimumBytes)
        return QImage(width, height, format);
    if (bytesPerLine > static_cast<std::uint64_t>(std::numeric_limits<int>::max())
        || size > static_cast<std::uint64_t>(std::numeric_limits<qsizetype>::max()))
        return QImage();

    Buffer* b = ThePool().Take(static_cast<std::size_t>(size));
    if (!b)
        b = MapBuffer(static_cast<std::size_t>(size));
    if (!b)
        return QImage();
    try {
        QImage image(static_cast<uchar*>(b->data), width, height, static_cast<qsizetype>(bytesPerLine), format,
                     ReturnBuffer, b);
        if (image.isNull())
            ReturnBuffer(b); // Qt took no ownership
        return image;
    } catch (...) {
        ReturnBuffer(b);
        throw;
    }
}

PixelBufferPoolState pixelBufferPoolState()
{
    return ThePool().State();
}

void releasePixelBuffers() noexcept
{
    ThePool().Clear();
}

} // namespace dwindle
