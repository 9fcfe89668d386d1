// The texts the main window derives from data: the Windows version name and
// the shortened output directory.
#include <gtest/gtest.h>

#include "app/DirectoryCaption.h"
#include "app/OsLabel.h"

namespace {

using snaplark::DirectoryCaption;
using snaplark::OsLabelText;
using snaplark::OsVersion;

constexpr uint32_t kNt = 2;
constexpr uint8_t kWorkstation = 1;
constexpr uint8_t kDomainController = 2;
constexpr uint8_t kServer = 3;

TEST(OsLabel, NamesEveryKnownVersion)
{
    struct Row {
        OsVersion version;
        const char* label;
    };
    const Row rows[] = {
        // 5.x: set, no leading blank, whatever the product type.
        {{kNt, 5, 0, 2195, kWorkstation}, "Windows 2000"},
        {{kNt, 5, 0, 2195, kServer}, "Windows 2000"},
        {{kNt, 5, 1, 2600, kWorkstation}, "Windows XP"},
        {{kNt, 5, 2, 3790, kServer}, "Windows 2003"},
        {{kNt, 5, 2, 3790, kWorkstation}, "Windows 2003"},  // XP x64 shares 5.2
        // 6.x: appended to an empty text, so with a leading blank.
        {{kNt, 6, 0, 6002, kWorkstation}, " Windows Vista"},
        {{kNt, 6, 0, 6002, kServer}, " Windows Server 2008"},
        {{kNt, 6, 0, 6002, kDomainController}, " Windows Server 2008"},
        {{kNt, 6, 1, 7601, kWorkstation}, " Windows 7"},
        {{kNt, 6, 1, 7601, kServer}, " Windows Server 2008 R2"},
        {{kNt, 6, 2, 9200, kWorkstation}, " Windows 8"},
        {{kNt, 6, 2, 9200, kServer}, " Windows Server 8"},
        // Beyond what GetVersionExA admits to without a manifest.
        {{kNt, 6, 3, 9600, kWorkstation}, " Windows 8.1"},
        {{kNt, 6, 3, 9600, kServer}, " Windows Server 2012 R2"},
        {{kNt, 10, 0, 10240, kWorkstation}, " Windows 10"},
        {{kNt, 10, 0, 19045, kWorkstation}, " Windows 10"},
        {{kNt, 10, 0, 21999, kWorkstation}, " Windows 10"},
        {{kNt, 10, 0, 22000, kWorkstation}, " Windows 11"},
        {{kNt, 10, 0, 26100, kWorkstation}, " Windows 11"},
        {{kNt, 10, 0, 14393, kServer}, " Windows Server 2016"},
        {{kNt, 10, 0, 17763, kServer}, " Windows Server 2019"},
        {{kNt, 10, 0, 20348, kDomainController}, " Windows Server 2022"},
        {{kNt, 10, 0, 26100, kServer}, " Windows Server 2025"},
    };
    for (const Row& row : rows) {
        const OsVersion& v = row.version;
        EXPECT_EQ(OsLabelText(v), row.label)
            << v.major << "." << v.minor << "." << v.build << " type " << int(v.productType);
    }
}

TEST(OsLabel, EmptyForUnknownVersionsAndOtherPlatforms)
{
    const OsVersion unknown[] = {
        {kNt, 4, 0, 1381, kWorkstation},   // NT 4.0
        {kNt, 5, 3, 0, kWorkstation},
        {kNt, 6, 4, 9841, kWorkstation},   // a 10 preview's number
        {kNt, 10, 1, 0, kWorkstation},
        {kNt, 11, 0, 0, kWorkstation},
        {1, 4, 10, 2222, 0},               // Windows 98
        {0, 0, 0, 0, 0},                   // GetVersionExA missing: a zero record
    };
    for (const OsVersion& v : unknown)
        EXPECT_EQ(OsLabelText(v), "") << v.platformId << " " << v.major << "." << v.minor;
}

TEST(DirectoryCaption, ShortensOnlyPathsLongerThan25Characters)
{
    const std::string exactly25 = "C:\\Captures\\Screens\\2024x";
    ASSERT_EQ(exactly25.size(), 25u);
    EXPECT_EQ(DirectoryCaption(exactly25), exactly25);

    const std::string of26 = exactly25 + "y";
    EXPECT_EQ(DirectoryCaption(of26), exactly25 + "...");
    EXPECT_EQ(DirectoryCaption(of26).size(), 28u);

    EXPECT_EQ(DirectoryCaption(""), "");
    EXPECT_EQ(DirectoryCaption("C:\\"), "C:\\");
    // Characters, not bytes: 2, 3 and 4 bytes each in UTF-8 (the last a
    // surrogate pair in UTF-16), never cut inside one.
    const struct {
        std::string directory, shown;
    } rows[] = {
        {"C:\\Captures é ü\\Übersicht", "C:\\Captures é ü\\Übersicht"},  // 25
        {"D:\\Снимки экрана\\Новые снимки", "D:\\Снимки экрана\\Новые сн..."},
        {"E:\\スクリーンショット\\保存先のフォルダー\\二〇二六年", "E:\\スクリーンショット\\保存先のフォルダー\\二〇..."},
        {"F:\\📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷", "F:\\📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷📷..."},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DirectoryCaption(r.directory), r.shown) << r.directory;
}

}  // namespace
