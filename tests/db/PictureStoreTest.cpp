// The three statements and the one transaction, against the real server:
// the listing and the count, reading rows and pictures, UpdateImage's writes
// and what the transaction does with them.

#include "FbStatus.h"
#include "IBInternal.h"
#include "TestDatabase.h"
#include "WindowComponents.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace dwindle {
namespace {

using testdb::Bytes;
using testdb::ImageTypeColumn;
using testdb::randomBytes;
using testdb::TestDatabase;
using testing::bytesOf;
using testing::fillStream;
using testing::WindowComponents;

struct Row {
    std::string firstName, lastName;
    std::int32_t imageId;
    Bytes image;
    std::string imageType;
};

// Every row of the listing, read as the batch run reads it.
std::vector<Row> readListing(TIBQuery& listing)
{
    std::vector<Row> rows;
    listing.Open();
    while (!listing.Eof()) {
        TMemoryStream stream;
        listing.FieldByName("Image").SaveToStream(stream);
        rows.push_back({listing.FieldByName("FirstName").AsString(), listing.FieldByName("LastName").AsString(),
                        listing.FieldByName("ImageId").AsInteger(), bytesOf(stream),
                        listing.FieldByName("IMAGETYPE").AsString()});
        listing.Next();
    }
    return rows;
}

std::int32_t count(WindowComponents& c)
{
    c.qryCount->Open();
    const std::int32_t n = c.qryCount->FieldByName("EmpCount").AsInteger();
    c.qryCount->Close();
    return n;
}

// A store with the cases the joins must drop, shared by the read-only tests.
class Listing : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        hr = new TestDatabase();
        hr->setAutoCommit(false);
        hr->addPortrait(1, "Anna", "Zeta", 101, randomBytes(70000, 1));
        hr->addPortrait(2, "Bert", "Adams", 102, randomBytes(16385, 2));
        hr->addPortrait(3, "Carl", "Adams", 103, randomBytes(5, 3), "PNG");
        hr->addEmployee(4); // a person whose picture id matches no picture
        hr->addPerson(4, "Dora", "Miller", 999);
        hr->addEmployee(5); // an employee without a person row
        hr->addImage(105, randomBytes(10, 5), "JPG");
        hr->addPerson(6, "Emil", "Nobody", 106); // a person without an employee row
        hr->addImage(106, randomBytes(10, 6), "JPG");
        hr->addEmployee(7); // NULL picture and NULL type
        hr->addPerson(7, "Aaron", "Adams", 107);
        hr->addImage(107, std::nullopt, std::nullopt);
        hr->commit();
    }
    static void TearDownTestSuite()
    {
        delete hr;
        hr = nullptr;
    }
    static TestDatabase* hr;
};
TestDatabase* Listing::hr = nullptr;

TEST_F(Listing, RowsInNameOrderWithoutUnmatchedPeopleOrPictures)
{
    WindowComponents c(hr->connectionString());
    const auto rows = readListing(*c.qryImages);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(count(c), 4);

    EXPECT_EQ(rows[0].lastName + "," + rows[0].firstName, "Adams,Aaron");
    EXPECT_EQ(rows[1].lastName + "," + rows[1].firstName, "Adams,Bert");
    EXPECT_EQ(rows[2].lastName + "," + rows[2].firstName, "Adams,Carl");
    EXPECT_EQ(rows[3].lastName + "," + rows[3].firstName, "Zeta,Anna");

    EXPECT_EQ(rows[0].imageId, 107);
    EXPECT_TRUE(rows[0].image.empty()); // NULL picture: no bytes
    EXPECT_EQ(rows[0].imageType, "");   // NULL type: empty text
    EXPECT_EQ(rows[1].imageId, 102);
    EXPECT_EQ(rows[1].image, randomBytes(16385, 2));
    EXPECT_EQ(rows[1].imageType, "JPG");
    EXPECT_EQ(rows[2].image, randomBytes(5, 3));
    EXPECT_EQ(rows[2].imageType, "PNG");
    EXPECT_EQ(rows[3].imageId, 101);
    EXPECT_EQ(rows[3].image, randomBytes(70000, 1));
}

TEST_F(Listing, EndFlagAndMovesPastTheEnd)
{
    WindowComponents c(hr->connectionString());
    TIBQuery& q = *c.qryImages;
    q.Open();
    EXPECT_TRUE(q.Active());
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(q.Eof()) << i;
        q.Next();
    }
    EXPECT_TRUE(q.Eof());
    q.Next(); // does nothing once at the end
    EXPECT_TRUE(q.Eof());
    EXPECT_TRUE(q.Active()); // stays open at its end
    q.Close();
    EXPECT_FALSE(q.Active());
    q.Close(); // closing a closed statement does nothing
    q.Open();  // and it opens again at the first row
    EXPECT_EQ(q.FieldByName("ImageId").AsInteger(), 107);
}

TEST_F(Listing, ColumnsByNameInAnyCase)
{
    WindowComponents c(hr->connectionString());
    TIBQuery& q = *c.qryImages;
    q.Open();
    q.Next(); // Adams, Bert
    EXPECT_EQ(q.FieldByName("firstname").AsString(), "Bert");
    EXPECT_EQ(q.FieldByName("FIRSTNAME").AsString(), "Bert");
    EXPECT_EQ(q.FieldByName("imageid").AsInteger(), 102);
    EXPECT_EQ(q.FieldByName("ImageId").AsString(), "102");
    EXPECT_EQ(q.FieldByName("EMPLOYEEID").AsInteger(), 2);
    EXPECT_EQ(q.FieldByName("ImageType").FieldName(), "IMAGETYPE");

    c.qryCount->Open();
    EXPECT_EQ(c.qryCount->FieldByName("EMPCOUNT").AsInteger(), 4);
    EXPECT_EQ(c.qryCount->FieldByName("EmpCount").AsString(), "4");
}

TEST_F(Listing, UnknownColumnOrParameterNamesTheStatement)
{
    WindowComponents c(hr->connectionString());
    c.qryImages->Open();
    try {
        c.qryImages->FieldByName("Photo");
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.className(), "EDatabaseError");
        EXPECT_EQ(e.message(), "qryImages: Field 'Photo' not found");
    }
    try {
        c.qryUpdateImage->ParamByName("IMAGEDATA");
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.className(), "EDatabaseError");
        EXPECT_EQ(e.message(), "qryUpdateImage: Parameter 'IMAGEDATA' not found");
    }
    EXPECT_EQ(c.qryUpdateImage->ParamByName("imageid").Name(), "IMAGEID");
    EXPECT_EQ(c.qryUpdateImage->ParamByName("Image").Name(), "IMAGE");
}

TEST_F(Listing, PictureGoesToTheStreamsPosition)
{
    WindowComponents c(hr->connectionString());
    c.qryImages->Open();
    c.qryImages->Next(); // Adams, Bert: 16385 bytes
    TMemoryStream stream;
    stream.WriteBuffer("ABCD", 4);
    stream.SetPosition(2);
    c.qryImages->FieldByName("Image").SaveToStream(stream);
    EXPECT_EQ(stream.Position(), 2 + 16385);
    ASSERT_EQ(stream.Size(), 2 + 16385);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 2), "AB");
    EXPECT_EQ(Bytes(stream.Memory() + 2, stream.Memory() + stream.Size()), randomBytes(16385, 2));

    // A NULL picture writes nothing at all.
    c.qryImages->Open();
    TMemoryStream untouched;
    untouched.WriteBuffer("XY", 2);
    c.qryImages->FieldByName("Image").SaveToStream(untouched);
    EXPECT_EQ(untouched.Size(), 2);
    EXPECT_EQ(untouched.Position(), 2);
}

TEST_F(Listing, TransactionStartsWithTheFirstStatementAndOutlivesIt)
{
    WindowComponents c(hr->connectionString());
    EXPECT_FALSE(c.IBTransaction1->Active()); // not after Connect
    c.qryCount->Open();
    EXPECT_TRUE(c.IBTransaction1->Active());
    c.qryCount->Close();
    c.qryImages->Open();
    while (!c.qryImages->Eof())
        c.qryImages->Next();
    c.qryImages->Close();
    EXPECT_TRUE(c.IBTransaction1->Active());
}

TEST_F(Listing, PreparedOncePerTransaction)
{
    WindowComponents c(hr->connectionString());
    auto handle = [&] { return *c.qryImages->impl().statement.get(); };
    c.qryImages->Open();
    const auto first = handle();
    ASSERT_NE(first, 0u);
    c.qryImages->Close();
    c.qryImages->Open();
    c.qryImages->Open();
    EXPECT_EQ(handle(), first);

    // A new transaction prepares the statements anew.
    c.IBTransaction1->Commit();
    EXPECT_FALSE(c.qryImages->Active());
    EXPECT_EQ(handle(), 0u);
    c.qryImages->Open();
    EXPECT_TRUE(c.IBTransaction1->Active());
    EXPECT_EQ(c.qryImages->FieldByName("ImageId").AsInteger(), 107);
}

TEST_F(Listing, NullIntegerReadsAsZero)
{
    WindowComponents c(hr->connectionString());
    TIBQuery q("qryNulls", c.dbPaxtor.get(), c.IBTransaction1.get(),
               {"select cast(null as integer) as N, cast(null as varchar(5)) as T from rdb$database"});
    q.Open();
    EXPECT_TRUE(q.FieldByName("N").IsNull());
    EXPECT_EQ(q.FieldByName("N").AsInteger(), 0);
    EXPECT_EQ(q.FieldByName("N").AsString(), "");
    EXPECT_EQ(q.FieldByName("T").AsString(), "");
}

TEST(ListingOfFixedWidthType, KeepsTheBlankOfChar4)
{
    TestDatabase hr(ImageTypeColumn::Char4);
    hr.addPortrait(1, "Anna", "Zeta", 101, randomBytes(10), "JPG");
    hr.addPortrait(2, "Bert", "Zeta", 102, randomBytes(10), "JPEG");
    WindowComponents c(hr.connectionString());
    const auto rows = readListing(*c.qryImages);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].imageType, "JPG ");
    EXPECT_NE(rows[0].imageType, "JPG");
    EXPECT_EQ(rows[1].imageType, "JPEG");
}

TEST(EmptyStore, CountsNothingAndEndsAtOnce)
{
    TestDatabase hr;
    WindowComponents c(hr.connectionString());
    EXPECT_EQ(count(c), 0);
    c.qryImages->Open();
    EXPECT_TRUE(c.qryImages->Eof());
}

// ---------------------------------------------------------------- writing

class UpdateImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        hr = std::make_unique<TestDatabase>();
        hr->setAutoCommit(false);
        hr->addPortrait(1, "Anna", "Able", 101, randomBytes(60000, 1));
        hr->addPortrait(2, "Bert", "Baker", 102, randomBytes(60000, 2));
        hr->addPortrait(3, "Carl", "Cole", 103, randomBytes(60000, 3));
        hr->commit();
    }
    std::unique_ptr<TestDatabase> hr;
};

class UpdateImageSizes : public UpdateImage, public ::testing::WithParamInterface<std::size_t> {};

// The stream is left at its end by the caller; all of it is written, read
// back in the same transaction, and committed when the components go.
TEST_P(UpdateImageSizes, RoundTripsByteForByte)
{
    const std::size_t size = GetParam();
    const Bytes picture = randomBytes(size, 42);
    {
        WindowComponents c(hr->connectionString());
        TMemoryStream stream;
        fillStream(stream, picture);
        ASSERT_EQ(stream.Position(), static_cast<std::int64_t>(size)); // at its end already
        c.updateImage(102, stream);
        EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(size));

        const auto rows = readListing(*c.qryImages); // the listing opened again sees the write
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[1].imageId, 102);
        EXPECT_EQ(rows[1].image, picture);
        EXPECT_EQ(rows[0].image, randomBytes(60000, 1));

        // Not visible to anyone else before the transaction ends.
        EXPECT_EQ(hr->committedImage(102), randomBytes(60000, 2));
    }
    const auto committed = hr->committedImage(102);
    ASSERT_TRUE(committed.has_value()); // an empty picture is an empty blob, not NULL
    EXPECT_EQ(*committed, picture);
}

INSTANTIATE_TEST_SUITE_P(PictureSizes, UpdateImageSizes,
                         ::testing::Values(std::size_t{0}, std::size_t{1}, std::size_t{16383}, std::size_t{16384},
                                           std::size_t{16385}, std::size_t{32768}, std::size_t{100000}));

TEST_F(UpdateImage, WholeStreamWhateverItsPosition)
{
    WindowComponents c(hr->connectionString());
    const Bytes picture = randomBytes(30000, 9);
    TMemoryStream stream;
    fillStream(stream, picture);
    stream.SetPosition(12345);
    c.updateImage(101, stream);
    EXPECT_EQ(stream.Position(), 30000);
    c.qryImages->Open();
    TMemoryStream back;
    c.qryImages->FieldByName("Image").SaveToStream(back);
    EXPECT_EQ(bytesOf(back), picture);
}

TEST_F(UpdateImage, IdMatchingNothingChangesNothing)
{
    {
        WindowComponents c(hr->connectionString());
        TMemoryStream stream;
        fillStream(stream, randomBytes(100, 9));
        EXPECT_NO_THROW(c.updateImage(4711, stream));
        EXPECT_EQ(readListing(*c.qryImages).size(), 3u);
    }
    for (int id : {101, 102, 103})
        EXPECT_EQ(hr->committedImage(id), randomBytes(60000, id - 100));
}

// The update runs while the listing's cursor is open in the same transaction;
// the listing goes on from its row, and the next listing reads the writes.
TEST_F(UpdateImage, DuringAnOpenListing)
{
    WindowComponents c(hr->connectionString());
    EXPECT_EQ(count(c), 3);
    TIBQuery& q = *c.qryImages;
    q.Open();
    std::vector<std::string> seen;
    while (!q.Eof()) {
        seen.push_back(q.FieldByName("LastName").AsString());
        TMemoryStream stream;
        q.FieldByName("Image").SaveToStream(stream);
        TMemoryStream shrunk;
        shrunk.WriteBuffer(stream.Memory(), 1000); // a "shrunk" picture: its first 1000 bytes
        c.updateImage(q.FieldByName("ImageId").AsInteger(), shrunk);
        q.Next();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Able", "Baker", "Cole"}));
    const auto rows = readListing(q);
    ASSERT_EQ(rows.size(), 3u);
    for (const Row& row : rows) {
        const Bytes original = randomBytes(60000, static_cast<std::uint32_t>(row.imageId - 100));
        EXPECT_EQ(row.image, Bytes(original.begin(), original.begin() + 1000)) << row.imageId;
    }
}

TEST_F(UpdateImage, FailureKeepsTheTransactionAndEarlierWrites)
{
    const Bytes picture = randomBytes(2000, 7);
    {
        WindowComponents c(hr->connectionString());
        TMemoryStream stream;
        fillStream(stream, picture);
        c.updateImage(101, stream);
        // The program's user may not delete: the server refuses.
        TIBQuery forbidden("qryForbidden", c.dbPaxtor.get(), c.IBTransaction1.get(), {"delete from images"});
        EXPECT_THROW(forbidden.ExecSQL(), EIBInterBaseRoleError);
        EXPECT_TRUE(c.IBTransaction1->Active());
        // Nothing retried, nothing lost: the next write works in the same transaction.
        fillStream(stream, picture);
        c.updateImage(103, stream);
    }
    EXPECT_EQ(hr->committedImage(101), picture);
    EXPECT_EQ(hr->committedImage(102), randomBytes(60000, 2));
    EXPECT_EQ(hr->committedImage(103), picture);
}

// Pictures travel in pieces of at most 16384 bytes: the server keeps the
// pieces as the blob's segments, so their number and size are visible.
TEST_F(UpdateImage, WrittenInSegmentsOfAtMost16384Bytes)
{
    {
        WindowComponents c(hr->connectionString());
        TMemoryStream stream;
        fillStream(stream, randomBytes(100000, 5));
        c.updateImage(101, stream);
        fillStream(stream, randomBytes(16384, 5));
        c.updateImage(102, stream);
    }
    TIBDatabase db("dbSegments");
    db.SetDatabaseName(hr->connectionString());
    db.SetParams({"user_name=photokeeper", "password=kd370"});
    db.SetConnected(true);
    TIBTransaction tr(&db, "trSegments");
    TIBQuery q("qrySegments", &db, &tr, {"select image from images where imageid = :ID"});
    for (auto [id, segments] : {std::pair{101, 7}, std::pair{102, 1}}) {
        q.ParamByName("ID").SetAsInteger(id);
        q.Open();
        ISC_QUAD blobId;
        std::memcpy(&blobId, q.impl().out.var(0).sqldata, sizeof blobId);
        const FbClient& fb = *db.impl().client;
        ISC_STATUS_ARRAY status{};
        BlobHandle blob(fb);
        fb.isc_open_blob2(status, db.impl().attachment.get(), tr.impl().handle.get(), blob.get(), &blobId, 0, nullptr);
        ASSERT_FALSE(failed(status));
        const char items[] = {isc_info_blob_num_segments, isc_info_blob_max_segment};
        char answer[64] = {};
        fb.isc_blob_info(status, blob.get(), sizeof items, items, sizeof answer, answer);
        ASSERT_FALSE(failed(status));
        ASSERT_EQ(answer[0], isc_info_blob_num_segments);
        const int l1 = static_cast<int>(infoInteger(answer + 1, 2));
        EXPECT_EQ(infoInteger(answer + 3, l1), segments) << id;
        const char* second = answer + 3 + l1;
        ASSERT_EQ(second[0], isc_info_blob_max_segment);
        EXPECT_EQ(infoInteger(second + 3, static_cast<int>(infoInteger(second + 1, 2))), 16384) << id;
    }
}

} // namespace
} // namespace dwindle
