#pragma once
// HR databases filled with generated portraits: the demo database and any
// number of portraits for trying the program at scale. Created and written as
// SYSDBA on the local server; photokeeper gets only what the program needs.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dwindle::seed {

using Bytes = std::vector<std::uint8_t>;

// One person with a picture. A missing type or picture is stored as NULL.
struct PictureRow {
    std::string firstName;
    std::string lastName;
    std::optional<std::string> type = "JPG";
    std::optional<Bytes> bytes;
};

// Creates the database ("server:path") with the HR schema and photokeeper's
// grants. typeColumn is the SQL type of images.imagetype.
void createHrDatabase(const std::string& connectionString, const std::string& typeColumn = "varchar(10)");
// Ends every attachment to the database and drops it.
void dropHrDatabase(const std::string& connectionString);

// Adds rows (employee, person and picture, numbered from 1) in one SYSDBA
// transaction, committed by commit() or, when not called, rolled back.
class HrWriter {
public:
    explicit HrWriter(const std::string& connectionString);
    ~HrWriter();
    HrWriter(const HrWriter&) = delete;
    HrWriter& operator=(const HrWriter&) = delete;

    void add(const PictureRow& row);
    void commit();
    int count() const noexcept { return count_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int count_ = 0;
};

// A realistic name for the index-th person of a set.
std::string firstNameFor(std::uint64_t setSeed, int index);
std::string lastNameFor(std::uint64_t setSeed, int index);

// The demo set: `count` generated portraits of realistic sizes (some under
// 50000 bytes) plus the rows that show every rule of a run: a progressive and a
// gray portrait, rows typed "jpg", "BMP" and NULL (passed over), and, late in
// name order, a "JPG" row whose bytes are a BMP file, which stops a run with
// the codec's error box.
std::vector<PictureRow> demoRows(int count, std::uint64_t setSeed);
// The last name of that broken row (so that scripts and tests can find it).
inline constexpr const char* kBrokenRowLastName = "Wainwright";

// A small Windows bitmap file (the "BMP" row, and the broken "JPG" row).
Bytes bitmapFile(int width, int height, std::uint64_t seed);

} // namespace dwindle::seed
