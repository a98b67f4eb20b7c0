// The settings file reader: profile-file rules, one case per row.

#include "IniFile.h"
#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <fstream>

namespace dwindle {
namespace {

struct IniCase {
    const char* name;
    std::string content;
    const char* section;
    const char* key;
    std::string expected; // with default "<none>"
};

std::ostream& operator<<(std::ostream& os, const IniCase& c) { return os << c.name; }

const std::string kDefault = "<none>";

class IniFileTable : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniFileTable, ReadsValue)
{
    const IniCase& c = GetParam();
    testdb::TempDir dir;
    {
        std::ofstream file(dir.file("paxtor.ini"), std::ios::binary);
        file << c.content;
    }
    TIniFile ini(dir.file("paxtor.ini"));
    EXPECT_EQ(ini.ReadString(c.section, c.key, kDefault), c.expected);
}

const std::string longValue(3000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Rules, IniFileTable,
    ::testing::Values(
        IniCase{"Plain", "[PAXTOR]\nSERVER=db1\nPATH=/data/hr.fdb\n", "PAXTOR", "PATH", "/data/hr.fdb"},
        IniCase{"SectionOtherCase", "[paxtor]\nSERVER=db1\n", "PAXTOR", "SERVER", "db1"},
        IniCase{"KeyOtherCase", "[PAXTOR]\nserver=db1\n", "PAXTOR", "SERVER", "db1"},
        IniCase{"AskedInOtherCase", "[PAXTOR]\nSERVER=db1\n", "Paxtor", "Server", "db1"},
        IniCase{"ValueCaseKept", "[PAXTOR]\nPATH=/Data/HR.fdb\n", "PAXTOR", "PATH", "/Data/HR.fdb"},
        IniCase{"BlanksAroundNamesAndValue", "  [ PAXTOR ]  \n  SERVER  =  db1  \n", "PAXTOR", "SERVER", "db1"},
        IniCase{"TabsAroundValue", "[PAXTOR]\nSERVER=\tdb1\t\n", "PAXTOR", "SERVER", "db1"},
        IniCase{"BlanksInsideValueKept", "[PAXTOR]\nPATH=/my data/hr db.fdb\n", "PAXTOR", "PATH", "/my data/hr db.fdb"},
        IniCase{"CrLfLines", "[PAXTOR]\r\nSERVER=db1\r\nPATH=/p\r\n", "PAXTOR", "SERVER", "db1"},
        IniCase{"NoFinalLineBreak", "[PAXTOR]\nSERVER=db1", "PAXTOR", "SERVER", "db1"},
        IniCase{"FirstKeyWins", "[PAXTOR]\nSERVER=first\nSERVER=second\n", "PAXTOR", "SERVER", "first"},
        IniCase{"FirstSectionWins", "[PAXTOR]\nPATH=/p\n[OTHER]\n[PAXTOR]\nSERVER=late\n", "PAXTOR", "SERVER",
                kDefault},
        IniCase{"KeyOfOtherSection", "[OTHER]\nSERVER=db1\n[PAXTOR]\nPATH=/p\n", "PAXTOR", "SERVER", kDefault},
        IniCase{"KeyBeforeAnySection", "SERVER=db1\n[PAXTOR]\nPATH=/p\n", "PAXTOR", "SERVER", kDefault},
        IniCase{"MissingSection", "[OTHER]\nSERVER=db1\n", "PAXTOR", "SERVER", kDefault},
        IniCase{"MissingKey", "[PAXTOR]\nPATH=/p\n", "PAXTOR", "SERVER", kDefault},
        IniCase{"EmptyFile", "", "PAXTOR", "SERVER", kDefault},
        IniCase{"EmptyValueIsNotDefault", "[PAXTOR]\nSERVER=\n", "PAXTOR", "SERVER", ""},
        IniCase{"EqualsInValue", "[PAXTOR]\nPATH=a=b\n", "PAXTOR", "PATH", "a=b"},
        IniCase{"CommentLinesIgnored", "; settings\n[PAXTOR]\n;SERVER=old\n# note\nSERVER=db1\n", "PAXTOR", "SERVER",
                "db1"},
        IniCase{"SemicolonInValueKept", "[PAXTOR]\nPATH=/p;q\n", "PAXTOR", "PATH", "/p;q"},
        IniCase{"OddLinesIgnored", "[PAXTOR]\ngarbage line\n=novalue\nSERVER=db1\n", "PAXTOR", "SERVER", "db1"},
        IniCase{"QuotesAroundValueDropped", "[PAXTOR]\nPATH=\"/my data/hr.fdb\"\n", "PAXTOR", "PATH",
                "/my data/hr.fdb"},
        IniCase{"Utf8MarkAtStart", "\xEF\xBB\xBF[PAXTOR]\nSERVER=db1\n", "PAXTOR", "SERVER", "db1"},
        IniCase{"ValueCutTo2047", "[PAXTOR]\nPATH=" + longValue + "\n", "PAXTOR", "PATH", std::string(2047, 'x')},
        IniCase{"ValueOf2047Kept", "[PAXTOR]\nPATH=" + std::string(2047, 'y') + "\n", "PAXTOR", "PATH",
                std::string(2047, 'y')}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(IniFile, MissingFileGivesDefault)
{
    testdb::TempDir dir;
    TIniFile ini(dir.file("paxtor.ini"));
    EXPECT_EQ(ini.ReadString("PAXTOR", "SERVER", ""), "");
    EXPECT_EQ(ini.ReadString("PAXTOR", "SERVER", "fallback"), "fallback");
}

TEST(IniFile, ReadsTheFileAfreshOnEveryRead)
{
    testdb::TempDir dir;
    TIniFile ini(dir.file("paxtor.ini"));
    EXPECT_EQ(ini.ReadString("PAXTOR", "SERVER", ""), "");
    testdb::writeSettings(dir.path(), "db1", "/p");
    EXPECT_EQ(ini.ReadString("PAXTOR", "SERVER", ""), "db1");
    EXPECT_EQ(ini.ReadString("PAXTOR", "PATH", ""), "/p");
}

TEST(IniFile, FolderInPlaceOfFileGivesDefault)
{
    testdb::TempDir dir;
    TIniFile ini(dir.path());
    EXPECT_EQ(ini.ReadString("PAXTOR", "SERVER", "d"), "d");
}

} // namespace
} // namespace dwindle
