#include "TestDatabase.h"

#include "DatabaseAdmin.h"
#include "HrSchema.h"
#include "Exceptions.h"
#include "IBDatabase.h"
#include "Stream.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace dwindle::testdb {

namespace {

// Where the server's own user may create and write files.
constexpr const char* dataDir = "/var/lib/firebird/3.0/data";

// Test databases left by a test process that died before dropping them
// (crashed or killed): their process is gone, so nobody uses them.
void sweepLeftovers() noexcept
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir, ec)) {
        const std::string name = entry.path().filename().string();
        int pid = 0;
        if (std::sscanf(name.c_str(), "dwindle-test-%d-", &pid) != 1 || pid <= 0)
            continue;
        if (kill(pid, 0) == 0 || errno != ESRCH)
            continue; // still running (or not ours to judge)
        std::filesystem::remove(entry.path(), ec);
    }
}

std::string uniquePath()
{
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    char name[160];
    std::snprintf(name, sizeof name, "%s/dwindle-test-%d-%u-%08x.fdb", dataDir, static_cast<int>(getpid()),
                  ++counter, static_cast<unsigned>(device()));
    return name;
}

void fill(TMemoryStream& stream, const Bytes& bytes)
{
    if (!bytes.empty())
        stream.WriteBuffer(bytes.data(), bytes.size());
}

} // namespace

// The rows are written as SYSDBA; each add commits at once unless told otherwise.
struct TestDatabase::Writer : HrInserts {
    using HrInserts::HrInserts;
};

TestDatabase::TestDatabase(ImageTypeColumn typeColumn) : path_(uniquePath())
{
    static const bool swept = (sweepLeftovers(), true);
    (void)swept;
    DatabaseAdmin admin(connectionString());
    admin.create();
    // No key on the picture id: a case may store whatever ids it needs.
    createHrSchema(admin, typeColumn == ImageTypeColumn::Char4 ? "char(4)" : "varchar(10)", false);
}

TestDatabase::~TestDatabase()
{
    try {
        writer_.reset();
        DatabaseAdmin admin(connectionString());
        admin.drop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "test database %s not dropped: %s\n", path_.c_str(), e.what());
    }
}

TestDatabase::Writer& TestDatabase::writer()
{
    if (!writer_)
        writer_ = std::make_unique<Writer>(connectionString());
    return *writer_;
}

void TestDatabase::setAutoCommit(bool on)
{
    autoCommit_ = on;
    if (on)
        commit();
}

void TestDatabase::commit()
{
    if (writer_ && writer_->tr.Active())
        writer_->tr.Commit();
}

void TestDatabase::addEmployee(std::int32_t employeeId)
{
    Writer& w = writer();
    w.addEmployee.ParamByName("EMPLOYEEID").SetAsInteger(employeeId);
    w.addEmployee.ExecSQL();
    if (autoCommit_)
        commit();
}

void TestDatabase::addPerson(std::int32_t employeeId, const std::string& firstName, const std::string& lastName,
                             std::optional<std::int32_t> imageId)
{
    Writer& w = writer();
    w.addPerson.ParamByName("EMPLOYEEID").SetAsInteger(employeeId);
    w.addPerson.ParamByName("FIRSTNAME").SetAsString(firstName);
    w.addPerson.ParamByName("LASTNAME").SetAsString(lastName);
    if (imageId)
        w.addPerson.ParamByName("IMAGEID").SetAsInteger(*imageId);
    else
        w.addPerson.ParamByName("IMAGEID").Clear();
    w.addPerson.ExecSQL();
    if (autoCommit_)
        commit();
}

void TestDatabase::addImage(std::int32_t imageId, const std::optional<Bytes>& image,
                            const std::optional<std::string>& imageType)
{
    Writer& w = writer();
    w.addImage.ParamByName("IMAGEID").SetAsInteger(imageId);
    if (image) {
        TMemoryStream stream;
        fill(stream, *image);
        w.addImage.ParamByName("IMAGE").LoadFromStream(stream);
    } else {
        w.addImage.ParamByName("IMAGE").Clear();
    }
    if (imageType)
        w.addImage.ParamByName("IMAGETYPE").SetAsString(*imageType);
    else
        w.addImage.ParamByName("IMAGETYPE").Clear();
    w.addImage.ExecSQL();
    if (autoCommit_)
        commit();
}

void TestDatabase::addPortrait(std::int32_t employeeId, const std::string& firstName, const std::string& lastName,
                               std::int32_t imageId, const Bytes& image, const std::string& imageType)
{
    const bool wasAuto = autoCommit_;
    autoCommit_ = false;
    try {
        addEmployee(employeeId);
        addPerson(employeeId, firstName, lastName, imageId);
        addImage(imageId, image, imageType);
    } catch (...) {
        autoCommit_ = wasAuto;
        throw;
    }
    autoCommit_ = wasAuto;
    if (autoCommit_)
        commit();
}

void TestDatabase::execute(const std::string& sql)
{
    commit();
    DatabaseAdmin admin(connectionString());
    admin.attach();
    admin.execute(sql);
}

std::optional<Bytes> TestDatabase::committedImage(std::int32_t imageId) const
{
    TIBDatabase db("dbTestReader");
    db.SetDatabaseName(connectionString());
    db.SetParams({"user_name=SYSDBA", "password=" + readSysdbaPassword()});
    db.SetConnected(true);
    TIBTransaction tr(&db, "trTestReader");
    TIBQuery read("qryReadImage", &db, &tr, {"select image from images where imageid = :IMAGEID"});
    read.ParamByName("IMAGEID").SetAsInteger(imageId);
    read.Open();
    if (read.Eof())
        throw std::runtime_error("no picture with id " + std::to_string(imageId));
    TField& field = read.FieldByName("IMAGE");
    if (field.IsNull())
        return std::nullopt;
    TMemoryStream stream;
    field.SaveToStream(stream);
    return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

void TestDatabase::killOtherAttachments()
{
    writer_.reset();
    DatabaseAdmin admin(connectionString());
    admin.closeOtherAttachments();
}

void TestDatabase::writeSettings(const std::string& dir) const
{
    testdb::writeSettings(dir, server, path_);
}

void writeSettings(const std::string& dir, const std::string& serverName, const std::string& path)
{
    std::ofstream file(dir + "/paxtor.ini", std::ios::binary | std::ios::trunc);
    file << "[PAXTOR]\nSERVER=" << serverName << "\nPATH=" << path << "\n";
    if (!file.flush())
        throw std::runtime_error("cannot write " + dir + "/paxtor.ini");
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "dwindle-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Bytes randomBytes(std::size_t size, std::uint32_t seed)
{
    Bytes bytes(size);
    std::uint64_t state = 0x9E3779B97F4A7C15ull ^ seed;
    for (std::size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes[i] = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

} // namespace dwindle::testdb
