// The registry readers and the settings writer against the real registry of
// the test prefix, on a key of their own: odd value shapes are read safely
// as absent, and a write that fails does not stop the others.
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>

#include "app/SettingsRules.h"

using namespace snaplark;
using namespace snaplark::ui;

namespace {

constexpr char kTestKey[] = "Software\\Quenby\\SnaplarkStoreTest";

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        key_ = OpenUserKey(kTestKey, true);
        ASSERT_TRUE(key_);
    }
    void TearDown() override
    {
        key_.Reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    }

    void Set(const char* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(RegSetValueExA(key_.Get(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    UniqueRegistryKey key_;
};

TEST_F(SettingsStore, OpeningWithoutCreatingLeavesAMissingKeyMissing)
{
    EXPECT_FALSE(OpenUserKey("Software\\Quenby\\SnaplarkStoreTest\\missing", false));
    EXPECT_TRUE(OpenUserKey(kTestKey, false));
}

TEST_F(SettingsStore, DwordsOfAnotherTypeOrSizeReadAsAbsent)
{
    const DWORD four = 7;
    const WORD two = 7;
    const unsigned long long eight = 7;
    Set("good", REG_DWORD, &four, sizeof four);
    Set("short", REG_DWORD, &two, sizeof two);
    Set("long", REG_DWORD, &eight, sizeof eight);
    Set("qword", REG_QWORD, &eight, sizeof eight);
    Set("text", REG_SZ, "7", 2);
    Set("binary", REG_BINARY, &four, sizeof four);
    Set("empty", REG_DWORD, nullptr, 0);
    EXPECT_EQ(ReadDwordValue(key_.Get(), "good"), 7u);
    for (const char* name : {"short", "long", "qword", "text", "binary", "empty", "missing"})
        EXPECT_EQ(ReadDwordValue(key_.Get(), name), std::nullopt) << name;
    EXPECT_TRUE(ValueExists(key_.Get(), "text"));
    EXPECT_FALSE(ValueExists(key_.Get(), "missing"));
}

TEST_F(SettingsStore, StringsAreReadUpToTheirTerminatorAndWithinTheLimit)
{
    const std::string longest(260, 'd');
    const std::string huge(1 << 20, 'h');
    Set("longest", REG_SZ, longest.c_str(), static_cast<DWORD>(longest.size() + 1));
    Set("huge", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1));
    Set("empty", REG_SZ, "", 1);
    Set("noData", REG_SZ, nullptr, 0);
    const char twoStrings[] = {'a', 'b', 0, 'c', 'd', 0};
    Set("twoStrings", REG_SZ, twoStrings, sizeof twoStrings);
    // Neither the last byte given nor the one after it is a zero, so nothing
    // adds a terminator on the way in.
    const char unterminated[] = "C:\\Shotsxx";
    Set("unterminated", REG_SZ, unterminated, 8);
    Set("expand", REG_EXPAND_SZ, "C:\\x", 5);
    Set("multi", REG_MULTI_SZ, "C:\\x\0\0", 6);
    const DWORD number = 5;
    Set("number", REG_DWORD, &number, sizeof number);
    // Half a surrogate pair alone has no UTF-8 form: it would not come back
    // as it was stored.
    const wchar_t loneHalf[] = {L'D', L':', L'\\', 0xD83D, L'x', 0};
    ASSERT_EQ(RegSetValueExW(key_.Get(), L"loneHalf", 0, REG_SZ, reinterpret_cast<const BYTE*>(loneHalf),
                             sizeof loneHalf),
              ERROR_SUCCESS);

    EXPECT_EQ(ReadStringValue(key_.Get(), "longest", 260), longest);
    EXPECT_EQ(ReadStringValue(key_.Get(), "longest", 259), std::nullopt);
    EXPECT_EQ(ReadStringValue(key_.Get(), "huge"), huge);  // no limit: the user's folder
    EXPECT_EQ(ReadStringValue(key_.Get(), "empty"), "");
    EXPECT_EQ(ReadStringValue(key_.Get(), "twoStrings"), "ab");
    for (const char* name :
         {"noData", "unterminated", "expand", "multi", "number", "loneHalf", "missing"})
        EXPECT_EQ(ReadStringValue(key_.Get(), name), std::nullopt) << name;
}

TEST(AutorunEntry, OwnWhenTheQuotedPathOccursInAnyLetterCase)
{
    const std::string path = "C:\\Users\\Zoë Łukasz\\Программы\\Snaplark.exe";
    const std::string quoted = QuotedExecutablePath(path);
    EXPECT_EQ(quoted, "\"" + path + "\"");
    EXPECT_TRUE(IsOwnAutorunEntry(quoted, quoted));
    EXPECT_TRUE(IsOwnAutorunEntry(quoted + " /tray", quoted));
    EXPECT_TRUE(IsOwnAutorunEntry("start " + quoted, quoted));
    EXPECT_FALSE(IsOwnAutorunEntry(path, quoted));  // unquoted
    // Started through another spelling of the same path, or stored so: case
    // folds beyond A-Z too, as the file system folds it.
    EXPECT_TRUE(IsOwnAutorunEntry("\"c:\\users\\zoë łukasz\\программы\\snaplark.exe\"", quoted));
    EXPECT_TRUE(IsOwnAutorunEntry("\"C:\\USERS\\ZOË ŁUKASZ\\ПРОГРАММЫ\\SNAPLARK.EXE\" /x", quoted));
    EXPECT_FALSE(IsOwnAutorunEntry("\"C:\\Users\\Zoe Lukasz\\Программы\\Snaplark.exe\"", quoted));
    EXPECT_FALSE(IsOwnAutorunEntry("\"C:\\Users\\Zoë Łukasz\\Программы\\Snaplark.ex\"", quoted));
    EXPECT_FALSE(IsOwnAutorunEntry("\"D:\\Tools\\Snaplark.exe\"", quoted));  // another copy
    EXPECT_FALSE(IsOwnAutorunEntry("", quoted));
    EXPECT_FALSE(IsOwnAutorunEntry("anything", ""));
}

TEST_F(SettingsStore, WritesEverySetValueInPlaceAndKeepsTheUnsetOnes)
{
    const DWORD five = 5;
    Set(kSourceValue, REG_DWORD, &five, sizeof five);
    StoredSettings s;
    s.interval = 1250;
    s.onTimer = 1;
    s.directory = "C:\\Shots";
    s.destination = 1;
    s.format = 2;
    s.mode = 0;
    s.sound = 0;
    EXPECT_TRUE(WriteStoredSettings(key_.Get(), s).empty());
    const StoredSettings back = ReadStoredSettings(key_.Get());
    EXPECT_EQ(back.interval, 1250u);
    EXPECT_EQ(back.onTimer, 1u);
    EXPECT_EQ(back.directory, "C:\\Shots");
    EXPECT_EQ(back.source, 5u);  // not written: kept
    EXPECT_EQ(back.destination, 1u);
    EXPECT_EQ(back.format, 2u);
    EXPECT_EQ(back.mode, 0u);
    EXPECT_EQ(back.sound, 0u);
}

TEST_F(SettingsStore, FailingWritesAreAllTriedAndNamed)
{
    // The key goes away under the open handle: every write is refused.
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey), ERROR_SUCCESS);
    StoredSettings s;
    s.interval = 300;
    s.onTimer = 0;
    s.directory = "";
    s.source = 0;
    s.destination = 0;
    s.format = 0;
    s.mode = 0;
    s.sound = 1;
    const std::vector<std::string> failed = WriteStoredSettings(key_.Get(), s);
    EXPECT_EQ(failed, (std::vector<std::string>{kIntervalValue, kOnTimerValue, kDirectoryValue,
                                                kSourceValue, kDestinationValue, kFormatValue,
                                                kModeValue, kSoundValue}));
}

}  // namespace
