// What Snaplark.exe carries: the icon, the click sound, the version block and
// the manifest, read from the built executable itself.
#include "tests/driver/Driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace driver;

namespace {

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }

    std::string Resource(const char* type, const char* name)
    {
        HRSRC r = FindResourceA(module_, name, type);
        if (!r)
            return {};
        const DWORD size = SizeofResource(module_, r);
        const void* data = LockResource(LoadResource(module_, r));
        return std::string(static_cast<const char*>(data), size);
    }

    HMODULE module_ = nullptr;
};

uint32_t U32(const std::string& s, size_t at)
{
    uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

uint16_t U16(const std::string& s, size_t at)
{
    uint16_t v;
    std::memcpy(&v, s.data() + at, 2);
    return v;
}

TEST_F(ProgramResources, ClickSoundIsA512ByteWave)
{
    const std::string wav = Resource("WAVE", "OK");
    ASSERT_EQ(wav.size(), 512u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(wav, 4), 504u);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(wav, 16), 16u);
    EXPECT_EQ(U16(wav, 20), 1);       // PCM
    EXPECT_EQ(U16(wav, 22), 1);       // mono
    EXPECT_EQ(U32(wav, 24), 8000u);   // sample rate
    EXPECT_EQ(U32(wav, 28), 8000u);   // byte rate
    EXPECT_EQ(U16(wav, 32), 1);       // block align
    EXPECT_EQ(U16(wav, 34), 8);       // bits per sample
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(U32(wav, 40), 468u);

    // The click: a peak near 90 within 9 ms, within 9 by 36 ms, 2 by 54 ms.
    auto swing = [&](int fromMs, int toMs) {
        int most = 0;
        for (int i = fromMs * 8; i < toMs * 8 && i < 468; ++i)
            most = std::max(most, std::abs(static_cast<unsigned char>(wav[44 + i]) - 128));
        return most;
    };
    EXPECT_GE(swing(0, 9), 80);
    EXPECT_LE(swing(0, 9), 100);
    EXPECT_LE(swing(36, 59), 9);
    EXPECT_LE(swing(54, 59), 2);
}

// An image of its own for every size Windows asks for at 100 to 200 %
// scaling: small 16, 20, 24 and 32, large 32, 40 and 48 pixels, none of them
// stretched by Windows from another.
TEST_F(ProgramResources, IconHasAnImageForEverySizeUpToTwoHundredPercent)
{
    // The group: a 6-byte header, then 14 bytes per image, its width first.
    const std::string group = Resource(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEA(1));
    ASSERT_GE(group.size(), 6u);
    std::vector<int> sizes;
    for (size_t at = 6; at + 14 <= group.size(); at += 14)
        sizes.push_back(static_cast<unsigned char>(group[at]));
    EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 40, 48}));
}

TEST_F(ProgramResources, VersionBlockNamesTheFileVersion)
{
    EXPECT_EQ(VersionString(ProgramPath(), "FileVersion"), SNAPLARK_VERSION ".0");
}

// The manifest asks for the common controls 6 and declares the program
// DPI-aware: per-monitor (v2 where Windows has it) through the 2016 setting,
// and through the 2005 one, which older systems read, per-monitor or else
// system-aware. Read back through an activation context made from the
// executable, as the loader reads it.
TEST_F(ProgramResources, ManifestAsksForCommonControlsSixAndDpiAwareness)
{
    const std::string manifest = Resource(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, MAKEINTRESOURCEA(1));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);

    const std::string path = ProgramPath();
    const std::wstring widePath(path.begin(), path.end());
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = widePath.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE);
    const auto setting = [&](const wchar_t* space, const wchar_t* name) {
        wchar_t value[64] = {};
        SIZE_T written = 0;
        if (!QueryActCtxSettingsW(0, context, space, name, value, 64, &written))
            return std::wstring(L"<none>");
        return std::wstring(value);
    };
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");
    EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, PerMonitor");
    ReleaseActCtx(context);
}

}  // namespace
