// The client library, the connection and the failure messages, against the
// real server on 127.0.0.1.

#include "DatabaseAdmin.h"
#include "Exceptions.h"
#include "FbClient.h"
#include "IBDatabase.h"
#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <optional>

namespace dwindle {
namespace {

using testdb::TestDatabase;

// Runs f and returns the exception it throws, failing the test when it
// throws none or one of another class.
template <typename E, typename F>
E expectThrow(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception: " << e.what();
        throw;
    }
    ADD_FAILURE() << "no exception";
    throw std::logic_error("no exception");
}

TEST(ClientLibrary, MissingLibraryNamesTheFileLookedFor)
{
    const auto e = expectThrow<EIBClientError>([] { TIBDatabase db("dbPaxtor", "libfbclient-missing.so.2"); });
    EXPECT_STREQ(e.className(), "EIBClientError");
    EXPECT_EQ(e.message(), "InterBase library libfbclient-missing.so.2 not found in the path. "
                           "Please install InterBase to use this functionality");
}

TEST(ClientLibrary, LibraryWithoutTheEntryPointsIsAnOsError)
{
    // A real library that loads but offers none of the client's calls.
    const auto e = expectThrow<EOSError>([] { TIBDatabase db("dbPaxtor", "libz.so.1"); });
    EXPECT_EQ(e.errorCode(), ENOSYS);
    const std::string prefix = "System Error.  Code: " + std::to_string(ENOSYS) + ".\r\n";
    EXPECT_EQ(e.message().substr(0, prefix.size()), prefix);
    EXPECT_NE(e.message().find("isc_attach_database"), std::string::npos) << e.message();
}

TEST(ClientLibrary, LoadedOnceAndKept)
{
    const FbClient& first = loadFbClient(defaultClientLibrary());
    TIBDatabase db;
    const FbClient& second = loadFbClient(defaultClientLibrary());
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(defaultClientLibrary(), "libfbclient.so.2");
}

class Connection : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hr = new TestDatabase(); }
    static void TearDownTestSuite()
    {
        delete hr;
        hr = nullptr;
    }

    static void connect(TIBDatabase& db, const std::string& name,
                        std::vector<std::string> params = {"user_name=photokeeper", "password=kd370"})
    {
        db.SetConnected(false);
        db.SetDatabaseName(name);
        db.SetParams(params);
        db.SetConnected(true);
    }

    static TestDatabase* hr;
};
TestDatabase* Connection::hr = nullptr;

TEST_F(Connection, ConnectsWithTheProgramsCredentialsInDialect3)
{
    TIBDatabase db;
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(db.SQLDialect(), 3);
    connect(db, hr->connectionString());
    EXPECT_TRUE(db.Connected());
    EXPECT_EQ(db.SQLDialect(), 3);
    EXPECT_EQ(db.DatabaseName(), hr->connectionString());
    db.SetConnected(false);
    EXPECT_FALSE(db.Connected());
    db.SetConnected(false); // closing a closed connection does nothing
}

TEST_F(Connection, DatabaseOfLowerDialectLowersTheDialect)
{
    const std::string name = std::string(testdb::server) + ":/var/lib/firebird/3.0/data/dwindle-dialect1-" +
                             std::to_string(getpid()) + ".fdb";
    DatabaseAdmin admin(name);
    admin.create(0, 1);
    admin.execute("grant select on rdb$database to photokeeper");
    admin.detach();
    {
        TIBDatabase db;
        connect(db, name);
        EXPECT_EQ(db.SQLDialect(), 1);
    }
    admin.drop();
}

TEST_F(Connection, OpenConnectionKeepsItsNameAndParameters)
{
    TIBDatabase db;
    connect(db, hr->connectionString());
    const auto nameChange = expectThrow<EDatabaseError>([&] { db.SetDatabaseName("other:/x.fdb"); });
    EXPECT_EQ(nameChange.message(), "Cannot perform operation -- DB is currently open");
    const auto paramsChange = expectThrow<EDatabaseError>([&] { db.SetParams({"user_name=SYSDBA"}); });
    EXPECT_EQ(paramsChange.message(), "Cannot perform operation -- DB is currently open");
    EXPECT_EQ(db.DatabaseName(), hr->connectionString());
}

TEST_F(Connection, EmptyNameIsMissing)
{
    TIBDatabase db;
    const auto e = expectThrow<EDatabaseError>([&] { connect(db, ""); });
    EXPECT_EQ(e.message(), "Database name is missing");
    EXPECT_FALSE(db.Connected());
}

struct AttachFailure {
    const char* name;
    std::string databaseName;
    std::vector<std::string> params;
    std::vector<std::string> lines; // the client's lines, in order
    long sqlCode;
};

std::ostream& operator<<(std::ostream& os, const AttachFailure& f) { return os << f.name; }

class AttachFailures : public Connection, public ::testing::WithParamInterface<AttachFailure> {};

// The message is the client's lines joined with CR LF, without the final
// full stop; a full stop inside the text stays.
TEST_P(AttachFailures, ReportTheClientsLines)
{
    const AttachFailure& f = GetParam();
    TIBDatabase db;
    const std::string name = f.databaseName == "<hr>" ? hr->connectionString() : f.databaseName;
    const auto e = expectThrow<EIBInterBaseError>([&] { connect(db, name, f.params); });
    std::string expected;
    for (std::size_t i = 0; i < f.lines.size(); ++i)
        expected += (i ? "\r\n" : "") + f.lines[i];
    EXPECT_EQ(e.message(), expected);
    EXPECT_EQ(e.sqlCode(), f.sqlCode);
    EXPECT_NE(e.iboErrorCode(), 0);
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(db.DatabaseName(), name);
}

INSTANTIATE_TEST_SUITE_P(
    Connection, AttachFailures,
    ::testing::Values(
        AttachFailure{"WrongPath",
                      "127.0.0.1:/var/lib/firebird/3.0/data/no-such-dwindle.fdb",
                      {"user_name=photokeeper", "password=kd370"},
                      {"I/O error during \"open\" operation for file \"/var/lib/firebird/3.0/data/no-such-dwindle.fdb\"",
                       "Error while trying to open file", "No such file or directory"},
                      -902},
        AttachFailure{"UnknownHost",
                      "nohost.invalid:/data/hr.fdb",
                      {"user_name=photokeeper", "password=kd370"},
                      {"Unable to complete network request to host \"nohost.invalid\".",
                       "Failed to locate host machine.",
                       "The specified name was not found in the hosts file or Domain Name Services"},
                      -902},
        AttachFailure{"WrongPassword",
                      "<hr>",
                      {"user_name=photokeeper", "password=wrong"},
                      {"Your user name and password are not defined. Ask your database administrator to set up a "
                       "Firebird login"},
                      -902}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Connection, FailedConnectLeavesItClosedAndTheNextOneConnects)
{
    TIBDatabase db;
    EXPECT_THROW(connect(db, "127.0.0.1:/var/lib/firebird/3.0/data/no-such-dwindle.fdb"), EIBInterBaseError);
    EXPECT_THROW(connect(db, ":"), EIBInterBaseError);
    connect(db, hr->connectionString());
    EXPECT_TRUE(db.Connected());
}

TEST_F(Connection, UnknownParameterIsRefused)
{
    TIBDatabase db;
    const auto e = expectThrow<EIBClientError>(
        [&] { connect(db, hr->connectionString(), {"user_name=photokeeper", "password=kd370", "lc_ctype=UTF8"}); });
    EXPECT_EQ(e.message(), "DPB Constant (isc_dpb_lc_ctype) is unknown");
    EXPECT_FALSE(db.Connected());
}

TEST_F(Connection, ServerErrorsBecomeTheProgramsExceptions)
{
    TIBDatabase db;
    connect(db, hr->connectionString());
    TIBTransaction tr(&db, "trTest");

    // A statement the server cannot compile: several lines, no full stop to drop.
    TIBQuery unknown("qryUnknown", &db, &tr, {"select * from nosuch"});
    const auto e = expectThrow<EIBInterBaseError>([&] { unknown.Open(); });
    EXPECT_STREQ(e.className(), "EIBInterBaseError");
    EXPECT_EQ(e.message(), "Dynamic SQL Error\r\nSQL error code = -204\r\nTable unknown\r\nNOSUCH\r\nAt line 1, column 15");
    EXPECT_EQ(e.sqlCode(), -204);
    EXPECT_EQ(e.iboErrorCode(), 335544569); // isc_dsql_error

    // SQL code -551: the program's user may not delete pictures.
    TIBQuery forbidden("qryForbidden", &db, &tr, {"delete from images"});
    const auto role = expectThrow<EIBInterBaseRoleError>([&] { forbidden.ExecSQL(); });
    EXPECT_STREQ(role.className(), "EIBInterBaseRoleError");
    EXPECT_EQ(role.message(), "no permission for DELETE access to TABLE IMAGES");
    EXPECT_EQ(role.sqlCode(), -551);
    EXPECT_TRUE(tr.Active()); // a failure does not end the transaction
}

} // namespace
} // namespace dwindle
