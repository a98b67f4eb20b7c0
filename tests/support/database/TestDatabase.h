#pragma once
// Fresh HR databases on the local Firebird server for tests and benchmarks.
// Each TestDatabase creates a database of its own, uniquely named, with the
// HR schema and the grants the program needs, and drops it when it goes.
// Rows are written as SYSDBA and committed at once (or in bulk, see
// setAutoCommit), so the program's own connection sees them when it starts
// its transaction.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dwindle::testdb {

using Bytes = std::vector<std::uint8_t>;

// The column type of images.imagetype.
enum class ImageTypeColumn {
    Varchar10, // varchar(10): "JPG" reads as "JPG"
    Char4,     // char(4): "JPG" reads as "JPG " (padded)
};

// The server the tests use, and the program's fixed credentials.
inline constexpr const char* server = "127.0.0.1";
inline constexpr const char* userName = "photokeeper";
inline constexpr const char* password = "kd370";

class TestDatabase {
public:
    explicit TestDatabase(ImageTypeColumn typeColumn = ImageTypeColumn::Varchar10);
    ~TestDatabase(); // ends every attachment to it, then drops it; reports nothing
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // The database file's path on the server, and "127.0.0.1:<path>".
    const std::string& path() const noexcept { return path_; }
    std::string connectionString() const { return std::string(server) + ":" + path_; }

    // Rows. A missing (nullopt) value is stored as NULL.
    void addEmployee(std::int32_t employeeId);
    void addPerson(std::int32_t employeeId, const std::string& firstName, const std::string& lastName,
                   std::optional<std::int32_t> imageId);
    void addImage(std::int32_t imageId, const std::optional<Bytes>& image, const std::optional<std::string>& imageType);
    // Employee, person and picture in one go.
    void addPortrait(std::int32_t employeeId, const std::string& firstName, const std::string& lastName,
                     std::int32_t imageId, const Bytes& image, const std::string& imageType = "JPG");
    // Any statement, as SYSDBA, committed at once.
    void execute(const std::string& sql);

    // true (the default): every add is committed at once. false: adds gather
    // in one transaction until commit() (much faster for thousands of rows).
    void setAutoCommit(bool on);
    void commit();

    // The picture's bytes as a separate connection sees them now (committed
    // data only); nullopt for a NULL picture. Throws when no row has that id.
    std::optional<Bytes> committedImage(std::int32_t imageId) const;

    // Ends every other attachment to this database: the next call on each
    // fails as on a lost connection.
    void killOtherAttachments();

    // Writes "paxtor.ini" into dir, naming this database.
    void writeSettings(const std::string& dir) const;

private:
    struct Writer;
    Writer& writer();

    std::string path_;
    bool autoCommit_ = true;
    std::unique_ptr<Writer> writer_;
};

// Writes dir/paxtor.ini with a [PAXTOR] section holding SERVER and PATH.
void writeSettings(const std::string& dir, const std::string& server, const std::string& path);

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const noexcept { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// size pseudo-random bytes, the same for the same seed.
Bytes randomBytes(std::size_t size, std::uint32_t seed = 1);

} // namespace dwindle::testdb
