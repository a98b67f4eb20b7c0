// Failures that come from outside the program: another user's change to the
// same picture, and a connection that is lost while a listing is open.

#include "TestDatabase.h"
#include "WindowComponents.h"

#include <gtest/gtest.h>

namespace dwindle {
namespace {

using testdb::Bytes;
using testdb::randomBytes;
using testdb::TestDatabase;
using testing::fillStream;
using testing::WindowComponents;

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Our transaction's snapshot is taken first; another connection then changes
// the same row and commits. Writing that row must fail with the server's
// update conflict at once (the other change is committed, so there is
// nothing to wait for), keeping our transaction and its earlier writes.
TEST(Conflict, WriteAfterAnotherUsersCommittedChangeFails)
{
    TestDatabase hr;
    hr.addPortrait(1, "Anna", "Able", 101, randomBytes(1000, 1));
    hr.addPortrait(2, "Bert", "Baker", 102, randomBytes(1000, 2));
    const Bytes ours = randomBytes(500, 9);
    {
        WindowComponents c(hr.connectionString());
        c.qryCount->Open(); // starts the transaction: its snapshot is fixed now
        TMemoryStream stream;
        fillStream(stream, ours);
        c.updateImage(102, stream);

        hr.execute("update images set imagetype = 'PNG' where imageid = 101"); // the other user, committed

        fillStream(stream, ours);
        try {
            c.updateImage(101, stream);
            FAIL() << "no exception";
        } catch (const EIBInterBaseError& e) {
            EXPECT_TRUE(startsWith(e.message(), "deadlock\r\nupdate conflicts with concurrent update\r\n"
                                                "concurrent transaction number is "))
                << e.message();
            EXPECT_EQ(e.sqlCode(), -913);
        }
        EXPECT_TRUE(c.IBTransaction1->Active());
    }
    EXPECT_EQ(hr.committedImage(101), randomBytes(1000, 1)); // the failed write left nothing
    EXPECT_EQ(hr.committedImage(102), ours);                // the earlier one was committed at release
}

// The attachment is ended from the server's side (a SYSDBA deletes it from
// MON$ATTACHMENTS), which the client sees exactly like a lost connection.
// This stands in for stopping the server, which would break every other
// suite that shares it.
TEST(LostConnection, OpenListingFailsOnItsNextServerCallWithoutHanging)
{
    TestDatabase hr;
    hr.setAutoCommit(false);
    // More rows than the client fetches ahead in one round trip.
    constexpr int rows = 3000;
    for (int i = 1; i <= rows; ++i)
        hr.addPortrait(i, "First" + std::to_string(i), "Last" + std::to_string(100000 + i), 1000 + i,
                       randomBytes(16, static_cast<std::uint32_t>(i)));
    hr.commit();

    WindowComponents c(hr.connectionString());
    c.qryImages->Open();
    TMemoryStream stream;
    c.qryImages->FieldByName("Image").SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 16);

    hr.killOtherAttachments();

    // Every server call fails from now on; rows the client fetched ahead may
    // still come, but the first picture read or fetch that needs the server
    // reports the loss. Bounded: never more moves than rows.
    std::string message;
    int moves = 0;
    try {
        while (moves < rows && !c.qryImages->Eof()) {
            c.qryImages->Next();
            ++moves;
            if (!c.qryImages->Eof())
                c.qryImages->FieldByName("Image").SaveToStream(stream);
        }
    } catch (const EIBInterBaseError& e) {
        message = e.message();
    }
    EXPECT_FALSE(message.empty()) << "no failure after " << moves << " moves";
    EXPECT_LE(moves, 1) << "the picture of the next row needs the server";
    EXPECT_FALSE(message.empty() ? false : message.back() == '.');

    // Nothing is retried: the next call fails again, and releasing everything
    // (commit fails, rollback fails, detach fails) reports nothing.
    EXPECT_THROW(c.qryCount->Open(), EIBInterBaseError);
}

} // namespace
} // namespace dwindle
