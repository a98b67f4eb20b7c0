#pragma once
// Byte streams that carry one picture whole: an in-memory stream for the batch
// run and a read-only file stream for the manual replacement. Position and size
// are 64-bit byte counts.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace dwindle {

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    virtual std::int64_t Size() const = 0;
    virtual std::int64_t Position() const = 0;
    virtual void SetPosition(std::int64_t position) = 0;
    // Reads up to count bytes at the position; returns how many were read.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes count bytes at the position; returns how many were written.
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;

    // Reads exactly count bytes or fails with EReadError "Stream read error".
    void ReadBuffer(void* buffer, std::size_t count);
    // Writes exactly count bytes or fails with EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, std::size_t count);
};

// A growable buffer in memory. Clear() empties it and releases its memory.
class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override = default;

    std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }
    std::int64_t Position() const override { return position_; }
    void SetPosition(std::int64_t position) override { position_ = position < 0 ? 0 : position; }
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;

    // Size and position 0, memory released.
    void Clear() noexcept;
    // Sets the size; a growing stream gets undefined bytes at its end. The
    // position is kept unless it lies beyond the new end.
    void SetSize(std::int64_t size);
    const std::uint8_t* Memory() const noexcept { return data_.get(); }
    std::uint8_t* Memory() noexcept { return data_.get(); }
    std::size_t Capacity() const noexcept { return capacity_; }

private:
    void Reserve(std::size_t capacity);

    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::int64_t position_ = 0;
};

// An existing file opened for reading. While it is open, other programs may
// read the file but a cooperating writer is kept out (an advisory read lock).
// Opening fails with EFOpenError "Cannot open file "%s". %s".
class TFileStream final : public TStream {
public:
    explicit TFileStream(const std::string& fileName);
    ~TFileStream() override;

    std::int64_t Size() const override;
    std::int64_t Position() const override { return position_; }
    void SetPosition(std::int64_t position) override { position_ = position < 0 ? 0 : position; }
    std::size_t Read(void* buffer, std::size_t count) override;
    // The stream is read-only: writing fails with EWriteError.
    std::size_t Write(const void* buffer, std::size_t count) override;

    const std::string& FileName() const noexcept { return fileName_; }

private:
    std::string fileName_;
    int fd_ = -1;
    std::int64_t position_ = 0;
};

// The system's text for an error number, without the blanks, line breaks and
// full stops at its end, as error messages quote it.
std::string systemErrorText(int errorNumber);

} // namespace dwindle
