#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "transport/Errors.h"
#include "transport/untByteList.h"

namespace bpconf {
namespace {

namespace fs = std::filesystem;

THfByteList Sequence(int count) {
    THfByteList list;
    for (int i = 0; i < count; ++i)
        list.Add(static_cast<std::uint8_t>(i));
    return list;
}

TEST(ByteListDump, Table) {
    struct Case {
        std::string bytes;
        std::string dump;
    };
    const Case cases[] = {
        {"", ""},
        {test::Bytes("1B 23 23 53 4C 41 4E 0F"), " 1B 23 23 53 4C 41 4E 0F"},
        {test::Bytes("00 FF 0A 1B ab"), " 00 FF 0A 1B AB"},
        {test::Bytes("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"),
         " 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n"},
        {test::Bytes("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"),
         " 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\r\n 10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(THfByteList::FromString(c.bytes).HexDump(), c.dump) << test::Hex(c.bytes);
    }
}

TEST(ByteListDump, ShapeOfFullAndPartialLines) {
    EXPECT_EQ(Sequence(16).HexDump().size(), 48u + 2u);
    EXPECT_EQ(Sequence(32).HexDump().substr(48, 2), "\r\n");
    EXPECT_EQ(Sequence(32).HexDump().substr(98), "\r\n");
    const std::string dump17 = Sequence(17).HexDump();
    EXPECT_EQ(dump17.size(), 50u + 3u);
    EXPECT_EQ(dump17.back(), '0');
}

TEST(ByteListDump, EveryByteValueAsTwoUpperCaseDigits) {
    THfByteList list;
    for (int v = 0; v < 256; ++v)
        list.Add(static_cast<std::uint8_t>(v));
    const std::string dump = list.HexDump();
    char expected[4];
    int lineBreaks = 0;
    for (int v = 0; v < 256; ++v) {
        std::snprintf(expected, sizeof expected, " %02X", v);
        EXPECT_EQ(dump.substr(static_cast<std::size_t>(v * 3 + lineBreaks * 2), 3), expected);
        if (v % 16 == 15)
            ++lineBreaks;
    }
}

TEST(ByteListAccess, GetPutAddCount) {
    THfByteList list = Sequence(9);
    list.Put(7, 0xAB);
    EXPECT_EQ(list.Count(), 9);
    EXPECT_EQ(test::Hex(list.ToString()), "00 01 02 03 04 05 06 AB 08");
    EXPECT_EQ(list.Get(7), 0xAB);
    list.Add(0x00);
    EXPECT_EQ(list.Count(), 10);
    EXPECT_EQ(list.Get(9), 0x00);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(ByteListAccess, IndexOutOfBoundsNamesTheIndex) {
    THfByteList list = Sequence(3);
    const struct {
        int index;
        const char* message;
    } cases[] = {{3, "List index out of bounds (3)"},
                 {-1, "List index out of bounds (-1)"},
                 {1000, "List index out of bounds (1000)"}};
    for (const auto& c : cases) {
        try {
            list.Get(c.index);
            ADD_FAILURE() << "Get(" << c.index << ") did not fail";
        } catch (const ListIndexError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        try {
            list.Put(c.index, 1);
            ADD_FAILURE() << "Put(" << c.index << ") did not fail";
        } catch (const ListIndexError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_EQ(test::Hex(list.ToString()), "00 01 02");
    EXPECT_THROW(THfByteList().Get(0), ListIndexError);
}

TEST(ByteListAddList, AppendsInOrderAndLeavesOtherIntact) {
    THfByteList list = THfByteList::FromString(test::Bytes("01 02"));
    const THfByteList other = THfByteList::FromString(test::Bytes("00 FF 10"));
    list.AddList(other);
    EXPECT_EQ(test::Hex(list.ToString()), "01 02 00 FF 10");
    EXPECT_EQ(test::Hex(other.ToString()), "00 FF 10");

    list.AddList(THfByteList());
    EXPECT_EQ(test::Hex(list.ToString()), "01 02 00 FF 10");

    list.AddList(list);
    EXPECT_EQ(test::Hex(list.ToString()), "01 02 00 FF 10 01 02 00 FF 10");
}

class ByteListFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("bpconf-bytelist-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    fs::path dir_;
};

TEST_F(ByteListFile, LoadsEveryByteInFileOrder) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += static_cast<char>(i * 7);
    THfByteList list = THfByteList::FromString("old");
    list.LoadFromFile(Write("p.bin", bytes));
    EXPECT_EQ(list.ToString(), bytes);
}

TEST_F(ByteListFile, EmptyFileGivesEmptyList) {
    THfByteList list = Sequence(5);
    list.LoadFromFile(Write("empty.bin", ""));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ByteListFile, FailuresLeaveTheListAndNameFileAndReason) {
    const std::string missing = (dir_ / "missing.bin").string();
    const std::string big = Write("big.bin", std::string(100, 'x'));
#ifdef _WIN32
    // The system's own words, whatever they are in this Windows.
    const std::string noFile, isFolder;
#else
    const std::string noFile = "No such file or directory", isFolder = "Is a directory";
#endif
    const struct {
        std::string path;
        std::uint64_t limit;
        std::string message;
    } cases[] = {
        {missing, THfByteList::kNoSizeLimit, "Cannot open file \"" + missing + "\". " + noFile},
        {dir_.string(), THfByteList::kNoSizeLimit,
         "Cannot open file \"" + dir_.string() + "\". " + isFolder},
        {big, 99, "Cannot open file \"" + big + "\". file too large"},
    };
    for (const auto& c : cases) {
        THfByteList list = Sequence(4);
        try {
            list.LoadFromFile(c.path, c.limit);
            ADD_FAILURE() << c.path << " loaded";
        } catch (const FileOpenError& e) {
            const std::string message = e.what();
            if (c.message.back() == ' ') {
                EXPECT_EQ(message.substr(0, c.message.size()), c.message);
                EXPECT_GT(message.size(), c.message.size());
            } else {
                EXPECT_EQ(message, c.message);
            }
        }
        EXPECT_EQ(test::Hex(list.ToString()), "00 01 02 03");
    }
    THfByteList atLimit;
    atLimit.LoadFromFile(big, 100);
    EXPECT_EQ(atLimit.Count(), 100);
}

}  // namespace
}  // namespace bpconf
