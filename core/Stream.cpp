#include "Stream.h"

#include "Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace dwindle {

void TStream::ReadBuffer(void* buffer, std::size_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

// ---- TMemoryStream ----

std::size_t TMemoryStream::Read(void* buffer, std::size_t count)
{
    if (position_ >= static_cast<std::int64_t>(size_) || count == 0)
        return 0;
    const std::size_t available = size_ - static_cast<std::size_t>(position_);
    const std::size_t n = std::min(count, available);
    std::memcpy(buffer, data_.get() + position_, n);
    position_ += static_cast<std::int64_t>(n);
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count)
{
    if (count == 0)
        return 0;
    const std::size_t end = static_cast<std::size_t>(position_) + count;
    if (end > capacity_)
        Reserve(std::max(end, capacity_ + capacity_ / 2));
    if (static_cast<std::size_t>(position_) > size_) // a gap after a seek past the end
        std::memset(data_.get() + size_, 0, static_cast<std::size_t>(position_) - size_);
    std::memcpy(data_.get() + position_, buffer, count);
    position_ = static_cast<std::int64_t>(end);
    size_ = std::max(size_, end);
    return count;
}

void TMemoryStream::Clear() noexcept
{
    data_.reset();
    size_ = 0;
    capacity_ = 0;
    position_ = 0;
}

void TMemoryStream::SetSize(std::int64_t size)
{
    if (size < 0)
        size = 0;
    const auto n = static_cast<std::size_t>(size);
    if (n > capacity_)
        Reserve(n);
    size_ = n;
    if (position_ > size)
        position_ = size;
}

void TMemoryStream::Reserve(std::size_t capacity)
{
    // Grow in 8 KiB steps so that many small writes do not copy each time.
    capacity = (capacity + 0x1FFF) & ~static_cast<std::size_t>(0x1FFF);
    std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow) std::uint8_t[capacity]);
    if (!grown)
        throw EOutOfMemory("Out of memory");
    if (size_ != 0)
        std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
}

// ---- TFileStream ----

std::string systemErrorText(int errorNumber)
{
    std::string text = std::strerror(errorNumber);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    return text;
}

TFileStream::TFileStream(const std::string& fileName)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(fileName, ec);
    fileName_ = ec ? fileName : absolute.string();

    auto fail = [this](int error) {
        throw EFOpenError("Cannot open file \"" + fileName_ + "\". " + systemErrorText(error));
    };
    fd_ = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        fail(errno);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        fail(EISDIR);
    }
    // A read lock: a writer that takes a write lock is kept out while we read,
    // and a file that a writer holds locked is refused here.
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_SETLK, &lock) != 0 && (errno == EACCES || errno == EAGAIN)) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        fail(error);
    }
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::int64_t TFileStream::Size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return 0;
    return static_cast<std::int64_t>(st.st_size);
}

std::size_t TFileStream::Read(void* buffer, std::size_t count)
{
    std::size_t done = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(position_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
        position_ += n;
    }
    return done;
}

std::size_t TFileStream::Write(const void*, std::size_t)
{
    throw EWriteError("Stream write error");
}

} // namespace dwindle
