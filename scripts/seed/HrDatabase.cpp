// Creating and filling HR databases through the program's own database layer.
#include "HrDatabase.h"

#include "DatabaseAdmin.h"
#include "HrSchema.h"
#include "IBDatabase.h"
#include "Portrait.h"
#include "Stream.h"

#include <array>

namespace dwindle::seed {

void createHrDatabase(const std::string& connectionString, const std::string& typeColumn)
{
    DatabaseAdmin admin(connectionString);
    admin.create();
    try {
        createHrSchema(admin, typeColumn);
    } catch (...) {
        // No half-made database stays behind.
        try {
            admin.drop();
        } catch (...) {
        }
        throw;
    }
}

void dropHrDatabase(const std::string& connectionString)
{
    DatabaseAdmin admin(connectionString);
    admin.drop();
}

// The SYSDBA statements; the transaction is rolled back unless committed.
struct HrWriter::Impl : HrInserts {
    using HrInserts::HrInserts;
    ~Impl()
    {
        try {
            if (tr.Active())
                tr.Rollback();
        } catch (...) {
        }
    }
};

HrWriter::HrWriter(const std::string& connectionString) : impl_(std::make_unique<Impl>(connectionString)) {}
HrWriter::~HrWriter() = default;

void HrWriter::add(const PictureRow& row)
{
    const std::int32_t id = ++count_;
    impl_->addEmployee.ParamByName("EMPLOYEEID").SetAsInteger(id);
    impl_->addEmployee.ExecSQL();
    impl_->addPerson.ParamByName("EMPLOYEEID").SetAsInteger(id);
    impl_->addPerson.ParamByName("FIRSTNAME").SetAsString(row.firstName);
    impl_->addPerson.ParamByName("LASTNAME").SetAsString(row.lastName);
    impl_->addPerson.ParamByName("IMAGEID").SetAsInteger(id);
    impl_->addPerson.ExecSQL();
    impl_->addImage.ParamByName("IMAGEID").SetAsInteger(id);
    if (row.bytes) {
        TMemoryStream stream;
        if (!row.bytes->empty())
            stream.WriteBuffer(row.bytes->data(), row.bytes->size());
        impl_->addImage.ParamByName("IMAGE").LoadFromStream(stream);
    } else {
        impl_->addImage.ParamByName("IMAGE").Clear();
    }
    if (row.type)
        impl_->addImage.ParamByName("IMAGETYPE").SetAsString(*row.type);
    else
        impl_->addImage.ParamByName("IMAGETYPE").Clear();
    impl_->addImage.ExecSQL();
}

void HrWriter::commit()
{
    if (impl_->tr.Active())
        impl_->tr.Commit();
}

namespace {

constexpr std::array kFirstNames{"Anna",   "Ben",    "Clara", "David",  "Elena", "Farid", "Grace",  "Hugo",
                                 "Ines",   "Jonas",  "Karin", "Liam",   "Maya",  "Noah",  "Olivia", "Pavel",
                                 "Quinn",  "Rosa",   "Samir", "Tessa",  "Uma",   "Victor", "Wendy", "Xavier",
                                 "Yara",   "Zoltan", "Amir",  "Bianca", "Chen",  "Dana"};
constexpr std::array kLastNames{"Abbott",  "Baker",   "Castillo", "Dubois",  "Eriksen",  "Fischer", "Garcia",
                                "Hansen",  "Ibrahim", "Jansen",   "Kowalski", "Larsen",  "Moreau",  "Nakamura",
                                "Okafor",  "Petrov",  "Quintero", "Rossi",   "Schmidt",  "Tanaka",  "Ueda",
                                "Varga",   "Weber",   "Xu",       "Yilmaz",  "Zhang",    "Andersen", "Bauer",
                                "Costa",   "Dahl",    "Evans",    "Foster",  "Gomez",    "Horvat",  "Ivanova",
                                "Jovanovic", "Keller", "Lopez",   "Meyer",   "Novak"};

} // namespace

std::string firstNameFor(std::uint64_t setSeed, int index)
{
    SeedRandom r(setSeed * 31 + static_cast<std::uint64_t>(index) * 7919 + 1);
    return kFirstNames[r.next() % kFirstNames.size()];
}

std::string lastNameFor(std::uint64_t setSeed, int index)
{
    SeedRandom r(setSeed * 37 + static_cast<std::uint64_t>(index) * 104729 + 2);
    return kLastNames[r.next() % kLastNames.size()];
}

Bytes bitmapFile(int width, int height, std::uint64_t seed)
{
    SeedRandom r(seed);
    const std::uint32_t rowSize = static_cast<std::uint32_t>((width * 3 + 3) & ~3);
    const std::uint32_t pixels = rowSize * static_cast<std::uint32_t>(height);
    const std::uint32_t fileSize = 54 + pixels;
    Bytes b(fileSize, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        b[at] = static_cast<std::uint8_t>(v);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, pixels);
    const std::uint8_t base = static_cast<std::uint8_t>(r.between(60, 200));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                b[54 + y * rowSize + x * 3 + c] = static_cast<std::uint8_t>(base + (x + y) / 4 + r.between(0, 8));
    return b;
}

std::vector<PictureRow> demoRows(int count, std::uint64_t setSeed)
{
    std::vector<PictureRow> rows;
    for (int i = 0; i < count; ++i) {
        PictureRow row;
        row.firstName = firstNameFor(setSeed, i);
        row.lastName = lastNameFor(setSeed, i);
        row.bytes = makePortrait(portraitSpec(setSeed, i));
        rows.push_back(std::move(row));
    }
    PortraitRecipe special = portraitSpec(setSeed, count);
    special.width = 480;
    special.height = 640;
    special.progressive = true;
    rows.push_back({"Petra", "Progressiva", "JPG", makePortrait(special)});
    special.progressive = false;
    special.gray = true;
    special.seed += 1;
    rows.push_back({"Gregor", "Grau", "JPG", makePortrait(special)});
    // Passed over by a run: the type is not exactly "JPG".
    special.gray = false;
    special.seed += 1;
    rows.push_back({"Lena", "Lowercase", "jpg", makePortrait(special)});
    rows.push_back({"Bernd", "Bitmap", "BMP", bitmapFile(120, 160, setSeed + 5)});
    special.seed += 1;
    rows.push_back({"Nora", "Nulltyp", std::nullopt, makePortrait(special)});
    // Late in name order, only the "Y" and "Z" names after it: a picture
    // stored as JPG that is really a bitmap.
    rows.push_back({"Walter", kBrokenRowLastName, "JPG", bitmapFile(120, 160, setSeed + 6)});
    return rows;
}

} // namespace dwindle::seed
