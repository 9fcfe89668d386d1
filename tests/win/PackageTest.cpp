// The per-user installer and its uninstaller, run silently in the test prefix
// with its real profile folders, Start menu and registry, and the program
// they install.
#include "tests/win/ProgramControls.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace driver;
using namespace program;

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Snaplark";

std::string Folder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string InstallDir() { return Folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Snaplark"; }
std::string InstalledProgram() { return InstallDir() + "\\Snaplark.exe"; }
std::string Shortcut() { return Folder(CSIDL_PROGRAMS) + "\\Snaplark.lnk"; }
std::string SetupPath() { return ExeDir() + "\\..\\package\\Snaplark-" SNAPLARK_VERSION "-setup.exe"; }
// Made by package_signed_build, checked by package_signed_check.
std::string SignedDir() { return ExeDir() + "\\..\\signing-test"; }

std::vector<std::string> InstalledFiles()
{
    std::vector<std::string> names = ListFiles(InstallDir());
    std::sort(names.begin(), names.end());
    return names;
}

// Where a shortcut points, read through the shell as Explorer does.
std::string ShortcutTarget(const std::string& link)
{
    std::string target;
    CoInitialize(nullptr);
    IShellLinkA* shell = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shell)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            const std::wstring wide(link.begin(), link.end());
            char path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
                SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
            file->Release();
        }
        shell->Release();
    }
    CoUninitialize();
    return target;
}

// Every value of a key, by name: type and bytes.
std::map<std::string, std::pair<DWORD, std::string>> Values(const char* key)
{
    std::map<std::string, std::pair<DWORD, std::string>> values;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name, type = 0;
        BYTE data[1024];
        DWORD dataSize = sizeof data;
        if (RegEnumValueA(k, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        values[name] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
    }
    RegCloseKey(k);
    return values;
}

FILETIME WriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

std::optional<std::string> RunEntry() { return ReadString(HKEY_CURRENT_USER, kRunKey, "Snaplark"); }

class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FileExists(SetupPath())) << SetupPath() << ": build the package target first";
        Clean();
    }
    void TearDown() override { Clean(); }

    static void Clean()
    {
        RemoveTree(InstallDir());
        DeleteFileA(Shortcut().c_str());
        DeleteTree(HKEY_CURRENT_USER, kUninstallKey);
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        DeleteValue(kRunKey, "Snaplark");
    }

    // The exit code of a command run to its end.
    static std::optional<DWORD> Run(const std::string& commandLine)
    {
        return StartCommand(commandLine).Wait(120s);
    }
    static std::optional<DWORD> Install(const std::string& setup = SetupPath())
    {
        return Run("\"" + setup + "\" /S");
    }
    static std::string Uninstall(const char* value)
    {
        return ReadString(HKEY_CURRENT_USER, kUninstallKey, value).value_or("");
    }
};

// An installer, the program it must install, and where its uninstaller is
// kept for package_signed_check (none for the unsigned one).
struct Package {
    std::string setup;
    std::string program;
    std::string keep;
};

class SilentInstall : public Installer, public ::testing::WithParamInterface<Package> {};

INSTANTIATE_TEST_SUITE_P(Packages, SilentInstall, ::testing::Values(
    Package{SetupPath(), ProgramPath(), ""},
    Package{SignedDir() + "\\package\\Snaplark-" SNAPLARK_VERSION "-setup.exe",
            SignedDir() + "\\zipped\\Snaplark.exe", SignedDir() + "\\installed"}),
    [](const auto& info) { return info.param.keep.empty() ? "Unsigned" : "Signed"; });

TEST_P(SilentInstall, GivesFilesShortcutEntryAndAWorkingProgram)
{
    const Package& package = GetParam();
    ASSERT_EQ(Install(package.setup), 0u) << package.setup;
    EXPECT_EQ(InstalledFiles(),
              (std::vector<std::string>{"LICENSE.txt", "README.txt", "Snaplark.exe", "Uninstall.exe"}));
    EXPECT_EQ(ReadFileBytes(InstalledProgram()), ReadFileBytes(package.program));
    if (!package.keep.empty()) {
        CreateDirectoryA(package.keep.c_str(), nullptr);
        EXPECT_TRUE(CopyFileA((InstallDir() + "\\Uninstall.exe").c_str(),
                              (package.keep + "\\Uninstall.exe").c_str(), FALSE));
    }
    EXPECT_EQ(ShortcutTarget(Shortcut()), InstalledProgram());

    const std::string uninstaller = "\"" + InstallDir() + "\\Uninstall.exe\"";
    EXPECT_EQ(Uninstall("DisplayName"), "Snaplark");
    EXPECT_EQ(Uninstall("DisplayVersion"), SNAPLARK_VERSION);
    EXPECT_EQ(Uninstall("Publisher"), VersionString(ProgramPath(), "CompanyName"));
    EXPECT_EQ(Uninstall("DisplayIcon"), InstalledProgram() + ",0");
    EXPECT_EQ(Uninstall("InstallLocation"), InstallDir());
    EXPECT_EQ(Uninstall("UninstallString"), uninstaller);
    EXPECT_EQ(Uninstall("QuietUninstallString"), uninstaller + " /S _?=" + InstallDir());
    size_t bytes = 0;
    for (const std::string& name : InstalledFiles())
        bytes += ReadFileBytes(InstallDir() + "\\" + name).size();
    const std::optional<DWORD> kilobytes = ReadDword(HKEY_CURRENT_USER, kUninstallKey, "EstimatedSize");
    ASSERT_TRUE(kilobytes);
    EXPECT_NEAR(*kilobytes, bytes / 1024.0, 1.0);

    Resident program(InstalledProgram());
    ASSERT_NE(program.main, nullptr);
    EXPECT_GE(program.threads, 2) << "no hook thread";
    EXPECT_TRUE(MutexHeld());
    EXPECT_TRUE(WindowsOf(program.process.Pid(), true).empty()) << "a window showed up";
    // The unsigned program is the one print_screen_test captures with; the
    // signed one is another file, whose signature must leave it working.
    if (!package.keep.empty()) {
        const std::optional<Pixels> shot = CaptureToClipboard({VK_LSHIFT});
        ASSERT_TRUE(shot);
        EXPECT_EQ(shot->width, GetSystemMetrics(SM_CXSCREEN));
    }
    EXPECT_TRUE(program.Exit());
    // The uninstaller still runs: a signature must leave its data whole.
    // (Its copy that removes it and the folder is let finish before the next test.)
    EXPECT_EQ(Run(Uninstall("QuietUninstallString")), 0u);
    EXPECT_TRUE(WaitFor([] { return !FileExists(InstallDir()); }, 30s)) << InstallDir();
}

TEST_F(Installer, CarriesTheProgramsIconAndVersionBlock)
{
    for (const char* name : {"CompanyName", "ProductName", "FileVersion", "ProductVersion", "LegalCopyright"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(VersionString(ProgramPath(), name).empty());
        EXPECT_EQ(VersionString(SetupPath(), name), VersionString(ProgramPath(), name));
    }
    EXPECT_EQ(VersionString(SetupPath(), "FileDescription"), "Snaplark setup");

    // Every picture of the program's icon is among the installer's.
    auto images = [](const std::string& path) {
        std::vector<std::string> found;
        HMODULE m = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        EnumResourceNamesA(m, RT_ICON, [](HMODULE mod, LPCSTR type, LPSTR name, LONG_PTR p) -> BOOL {
            HRSRC r = FindResourceA(mod, name, type);
            const char* data = static_cast<const char*>(LockResource(LoadResource(mod, r)));
            reinterpret_cast<std::vector<std::string>*>(p)->emplace_back(data, SizeofResource(mod, r));
            return TRUE;
        }, reinterpret_cast<LONG_PTR>(&found));
        FreeLibrary(m);
        return found;
    };
    const std::vector<std::string> program = images(ProgramPath());
    const std::vector<std::string> setup = images(SetupPath());
    ASSERT_EQ(program.size(), 6u);
    for (const std::string& image : program)
        EXPECT_NE(std::find(setup.begin(), setup.end(), image), setup.end()) << image.size() << " bytes";
}

TEST_F(Installer, UpgradeWaitsUntilTheProgramHasEndedAndKeepsTheSettings)
{
    ASSERT_EQ(Install(), 0u);
    Resident program(InstalledProgram());
    const MainControls c = program.Controls();
    ASSERT_TRUE(c.Found());
    Click(c.rectangle);
    Click(c.jpeg);
    Click(c.save);
    const auto settings = Values(kSettingsKey);
    ASSERT_EQ(settings.size(), 8u);

    // A running program's file cannot be replaced: the installer refuses.
    const FILETIME written = WriteTime(InstalledProgram());
    EXPECT_EQ(Install(), 2u);
    const FILETIME now = WriteTime(InstalledProgram());
    EXPECT_EQ(CompareFileTime(&written, &now), 0) << "the running program's file was written";

    ASSERT_TRUE(program.Exit());
    const auto saved = Values(kSettingsKey);  // Exit stored them once more
    EXPECT_EQ(saved, settings);
    EXPECT_EQ(Install(), 0u);
    EXPECT_EQ(Values(kSettingsKey), saved);
}

TEST_F(Installer, UninstallWaitsUntilTheProgramHasEndedThenRemovesAllButTheSettings)
{
    ASSERT_EQ(Install(), 0u);
    const std::string quiet = Uninstall("QuietUninstallString");
    Resident program(InstalledProgram());
    const MainControls c = program.Controls();
    ASSERT_TRUE(c.Found());
    Click(c.autorun);
    Click(c.save);
    ASSERT_EQ(RunEntry(), "\"" + InstalledProgram() + "\"");
    const auto files = InstalledFiles();

    EXPECT_EQ(Run(quiet), 2u);
    EXPECT_EQ(InstalledFiles(), files);
    EXPECT_TRUE(FileExists(Shortcut()));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_TRUE(RunEntry());

    ASSERT_TRUE(program.Exit());
    const auto settings = Values(kSettingsKey);
    ASSERT_EQ(settings.size(), 8u);
    EXPECT_EQ(Run(quiet), 0u);
    // The uninstaller's own file and the folder go a moment later, by a copy
    // of it that waits until the uninstaller has ended.
    EXPECT_TRUE(WaitFor([] { return !FileExists(InstallDir()); }, 30s)) << InstallDir();
    EXPECT_FALSE(FileExists(Shortcut()));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_FALSE(RunEntry());
    EXPECT_EQ(Values(kSettingsKey), settings);
}

// The uninstall command of "Apps & features" runs a copy of the uninstaller
// that returns at once; with /S it removes everything but the entry of
// another copy of the program.
TEST_F(Installer, UninstallKeepsTheAutorunEntryOfAnotherCopy)
{
    ASSERT_EQ(Install(), 0u);
    const std::string other = "\"C:\\Tools\\Snaplark\\Snaplark.exe\"";
    ASSERT_TRUE(SetString(kRunKey, "Snaplark", other));
    EXPECT_EQ(Run(Uninstall("UninstallString") + " /S"), 0u);
    EXPECT_TRUE(WaitFor([] { return !FileExists(InstallDir()); }, 30s)) << InstallDir();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_EQ(RunEntry(), other);
}

}  // namespace
