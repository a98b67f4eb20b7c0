#include "Exceptions.h"
#include "Stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace dwindle;

TEST(MemoryStream, WritesReadsAndClears)
{
    TMemoryStream s;
    const std::string text = "abcdef";
    s.WriteBuffer(text.data(), text.size());
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Position(), 6);
    s.SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 4u);
    EXPECT_EQ(std::string(buf, 4), "cdef");
    EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Capacity(), 0u);
    EXPECT_EQ(s.Memory(), nullptr);
}

TEST(MemoryStream, WriteAfterSeekPastEndFillsGapWithZeros)
{
    TMemoryStream s;
    s.SetPosition(3);
    s.WriteBuffer("x", 1);
    ASSERT_EQ(s.Size(), 4);
    EXPECT_EQ(s.Memory()[0], 0);
    EXPECT_EQ(s.Memory()[3], 'x');
}

TEST(FileStream, ReadsAnExistingFile)
{
    const std::string name = testing::TempDir() + "dwindle_stream_test.bin";
    {
        std::ofstream(name, std::ios::binary) << "hello";
    }
    TFileStream f(name);
    EXPECT_EQ(f.Size(), 5);
    char buf[5];
    f.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
    std::remove(name.c_str());
}

TEST(FileStream, MissingFileNamesFullPathAndReason)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    try {
        TFileStream f("no-such-file.jpg");
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.message(), std::string("Cannot open file \"") + cwd + "/no-such-file.jpg\". No such file or directory");
    }
}
