// The settings and the autorun entry with the real Snaplark.exe and the real
// registry of the test prefix: what start-up makes of stored values, what the
// Save button and Exit store, and that no stored value can stop start-up.
#include "tests/win/ProgramControls.h"

#include <gtest/gtest.h>

using namespace driver;
using namespace program;

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }

    static void Clean()
    {
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        DeleteValue(kRunKey, "Snaplark");
        DeleteValue(kRunKey, "SnaplarkTestNeighbour");
    }

    static std::optional<DWORD> Stored(const char* name)
    {
        return ReadDword(HKEY_CURRENT_USER, kSettingsKey, name);
    }
    static std::optional<std::string> RunEntry()
    {
        return ReadString(HKEY_CURRENT_USER, kRunKey, "Snaplark");
    }
};

// Start-up finished: the hook thread runs, no error box or other window
// showed up, and the process goes on.
void ExpectStartUpCompleted(Resident& program)
{
    ASSERT_NE(program.main, nullptr);
    EXPECT_GE(program.threads, 2) << "no hook thread";
    EXPECT_TRUE(WindowsOf(program.process.Pid(), true).empty()) << "a window showed up";
    EXPECT_TRUE(program.process.Running());
}

void ExpectDefaults(const MainControls& c)
{
    ASSERT_TRUE(c.Found());
    EXPECT_TRUE(Checked(c.fullscreen));
    EXPECT_FALSE(Checked(c.rectangle));
    EXPECT_FALSE(Checked(c.window));
    EXPECT_TRUE(Checked(c.gdi));
    EXPECT_FALSE(Checked(c.d3d));
    EXPECT_TRUE(Checked(c.clipboard));
    EXPECT_FALSE(Checked(c.file));
    EXPECT_TRUE(IsWindowEnabled(c.clipboard));
    EXPECT_TRUE(Checked(c.png));
    EXPECT_FALSE(Checked(c.jpeg));
    EXPECT_FALSE(Checked(c.bmp));
    EXPECT_FALSE(Checked(c.timer));
    EXPECT_EQ(Position(c.timeUD), 300);
    EXPECT_EQ(ControlText(c.timeE), "300");
    EXPECT_TRUE(Checked(c.sound));
    EXPECT_FALSE(Checked(c.autorun));
    EXPECT_EQ(TextOf(c.dirL), "...");
}

TEST_F(Settings, FirstStartGivesTheDefaultsAndAnEmptyKey)
{
    ASSERT_EQ(ValueCount(kSettingsKey), -1);
    Resident program;
    ExpectStartUpCompleted(program);
    ExpectDefaults(program.Controls());
    DWORD subkeys = 99;
    EXPECT_EQ(ValueCount(kSettingsKey, &subkeys), 0);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_FALSE(RunEntry());
}

TEST_F(Settings, SaveButtonStoresEveryControlAndARestartBringsThemBack)
{
    const std::string directory = "C:\\Users\\tester\\Pictures\\Snaplark captures";
    const std::string shown = "C:\\Users\\tester\\Pictures\\...";  // 25 + "..."
    ASSERT_TRUE(SetString(kSettingsKey, "Directory", directory));
    {
        Resident program;
        const MainControls c = program.Controls();
        ASSERT_TRUE(c.Found());
        EXPECT_EQ(TextOf(c.dirL), shown);
        Click(c.window);
        Click(c.file);
        Click(c.bmp);
        Click(c.d3d);
        Click(c.sound);
        Click(c.autorun);
        SendMessageA(c.timeUD, UDM_SETPOS32, 0, 1250);
        // Nothing is stored when a control changes.
        EXPECT_EQ(ValueCount(kSettingsKey), 1);
        Click(c.save);
        EXPECT_EQ(Stored("Capture Interval"), 1250u);
        EXPECT_EQ(Stored("On Timer"), 0u);
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kSettingsKey, "Directory"), directory);
        EXPECT_EQ(Stored("Source"), 2u);
        EXPECT_EQ(Stored("Destination"), 1u);
        EXPECT_EQ(Stored("Format"), 2u);
        EXPECT_EQ(Stored("Mode"), 1u);
        EXPECT_EQ(Stored("Sound"), 0u);
        EXPECT_EQ(ValueCount(kSettingsKey), 8);
        EXPECT_EQ(RunEntry(), QuotedProgramPath());
    }  // ended without Exit: only the Save button stored
    Resident program;
    ExpectStartUpCompleted(program);
    const MainControls c = program.Controls();
    EXPECT_TRUE(Checked(c.window));
    EXPECT_FALSE(Checked(c.fullscreen));
    EXPECT_TRUE(Checked(c.file));
    EXPECT_FALSE(Checked(c.clipboard));
    EXPECT_TRUE(Checked(c.bmp));
    EXPECT_FALSE(Checked(c.png));
    EXPECT_TRUE(Checked(c.d3d));
    EXPECT_FALSE(Checked(c.gdi));
    EXPECT_FALSE(Checked(c.sound));
    EXPECT_TRUE(Checked(c.autorun));
    EXPECT_FALSE(Checked(c.timer));
    EXPECT_EQ(Position(c.timeUD), 1250);
    EXPECT_EQ(TextOf(c.dirL), shown);
}

TEST_F(Settings, ExitStoresTheSettingsAndTimerModeComesBackWithFile)
{
    {
        Resident program;
        const MainControls c = program.Controls();
        ASSERT_TRUE(c.Found());
        Click(c.rectangle);
        Click(c.jpeg);
        Click(c.timer);
        EXPECT_TRUE(Checked(c.file));
        EXPECT_FALSE(IsWindowEnabled(c.clipboard));
        ASSERT_TRUE(program.Exit());
    }
    EXPECT_EQ(Stored("Source"), 1u);
    EXPECT_EQ(Stored("Format"), 1u);
    EXPECT_EQ(Stored("On Timer"), 1u);
    EXPECT_EQ(Stored("Destination"), 1u);
    EXPECT_EQ(Stored("Capture Interval"), 300u);
    EXPECT_EQ(Stored("Sound"), 1u);
    EXPECT_EQ(Stored("Mode"), 0u);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kSettingsKey, "Directory"), "");
    EXPECT_FALSE(RunEntry());

    Resident program;
    const MainControls c = program.Controls();
    EXPECT_TRUE(Checked(c.rectangle));
    EXPECT_TRUE(Checked(c.jpeg));
    EXPECT_TRUE(Checked(c.timer));
    EXPECT_TRUE(Checked(c.file));
    EXPECT_FALSE(IsWindowEnabled(c.clipboard));
}

TEST_F(Settings, StoredTimerModeForcesFileWhateverDestinationSays)
{
    ASSERT_TRUE(SetDword(kSettingsKey, "On Timer", 1));
    ASSERT_TRUE(SetDword(kSettingsKey, "Destination", 0));
    Resident program;
    ExpectStartUpCompleted(program);
    const MainControls c = program.Controls();
    EXPECT_TRUE(Checked(c.timer));
    EXPECT_TRUE(Checked(c.file));
    EXPECT_FALSE(Checked(c.clipboard));
    EXPECT_FALSE(IsWindowEnabled(c.clipboard));
    Click(c.save);
    EXPECT_EQ(Stored("Destination"), 1u);
    EXPECT_EQ(Stored("On Timer"), 1u);
}

TEST_F(Settings, UnmatchedNumbersCheckNothingAndSavingKeepsThem)
{
    ASSERT_TRUE(SetDword(kSettingsKey, "Source", 5));
    ASSERT_TRUE(SetDword(kSettingsKey, "Format", 3));
    ASSERT_TRUE(SetDword(kSettingsKey, "Destination", 2));
    Resident program;
    ExpectStartUpCompleted(program);
    const MainControls c = program.Controls();
    for (HWND b : {c.fullscreen, c.rectangle, c.window, c.png, c.jpeg, c.bmp, c.clipboard, c.file})
        EXPECT_FALSE(Checked(b)) << TextOf(b);
    Click(c.save);
    EXPECT_EQ(Stored("Source"), 5u);
    EXPECT_EQ(Stored("Format"), 3u);
    EXPECT_EQ(Stored("Destination"), 2u);
    EXPECT_EQ(Stored("Capture Interval"), 300u);  // the others are written
    EXPECT_EQ(Stored("Mode"), 0u);
}

TEST_F(Settings, OnlyTheLowEightBitsOfAChoiceCount)
{
    ASSERT_TRUE(SetDword(kSettingsKey, "Source", 256));
    ASSERT_TRUE(SetDword(kSettingsKey, "Format", 0x102));
    ASSERT_TRUE(SetDword(kSettingsKey, "Destination", 0x7F01));
    ASSERT_TRUE(SetDword(kSettingsKey, "Mode", 0x101));
    Resident program;
    const MainControls c = program.Controls();
    ASSERT_TRUE(c.Found());
    EXPECT_TRUE(Checked(c.fullscreen));
    EXPECT_TRUE(Checked(c.bmp));
    EXPECT_TRUE(Checked(c.file));
    EXPECT_TRUE(Checked(c.d3d));
    EXPECT_FALSE(Checked(c.gdi));
    Click(c.save);
    EXPECT_EQ(Stored("Source"), 0u);
    EXPECT_EQ(Stored("Format"), 2u);
    EXPECT_EQ(Stored("Destination"), 1u);
    EXPECT_EQ(Stored("Mode"), 1u);
}

TEST_F(Settings, AutorunEntryWithAnArgumentIsOwnAndKeepsTheArgument)
{
    const std::string entry = QuotedProgramPath() + " /minimized";
    ASSERT_TRUE(SetString(kRunKey, "Snaplark", entry));
    Resident program;
    const MainControls c = program.Controls();
    ASSERT_TRUE(c.Found());
    EXPECT_TRUE(Checked(c.autorun));
    Click(c.save);
    EXPECT_EQ(RunEntry(), entry);
}

// Windows paths ignore letter case: the program started through another
// spelling of its path still owns the entry, and Exit keeps it as it is.
TEST_F(Settings, AutorunEntryInAnotherLetterCaseIsOwnAndExitKeepsIt)
{
    std::string lower = QuotedProgramPath();
    for (char& ch : lower)
        ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    ASSERT_NE(lower, QuotedProgramPath());
    ASSERT_TRUE(SetString(kRunKey, "Snaplark", lower));
    Resident program;
    const MainControls c = program.Controls();
    ASSERT_TRUE(c.Found());
    EXPECT_TRUE(Checked(c.autorun));
    ASSERT_TRUE(program.Exit());
    EXPECT_EQ(RunEntry(), lower);
}

TEST_F(Settings, AutorunEntryOfAnotherShapeIsNotOwnAndSavingReplacesIt)
{
    for (const std::string& other :
         {ProgramPath(), std::string("\"C:\\Other copy\\Snaplark.exe\"")}) {
        SCOPED_TRACE(other);
        ASSERT_TRUE(SetString(kRunKey, "Snaplark", other));
        Resident program;
        const MainControls c = program.Controls();
        ASSERT_TRUE(c.Found());
        EXPECT_FALSE(Checked(c.autorun));
        Click(c.autorun);
        Click(c.save);
        EXPECT_EQ(RunEntry(), QuotedProgramPath());
    }
    // A value of another type is no entry of the program's either.
    ASSERT_TRUE(SetDword(kRunKey, "Snaplark", 1));
    Resident program;
    const MainControls c = program.Controls();
    EXPECT_FALSE(Checked(c.autorun));
    Click(c.autorun);
    Click(c.save);
    EXPECT_EQ(RunEntry(), QuotedProgramPath());
}

TEST_F(Settings, UncheckingAutorunRemovesOnlyItsEntry)
{
    ASSERT_TRUE(SetString(kRunKey, "Snaplark", QuotedProgramPath()));
    ASSERT_TRUE(SetString(kRunKey, "SnaplarkTestNeighbour", "\"C:\\Tools\\other.exe\" -x"));
    {
        Resident program;
        const MainControls c = program.Controls();
        ASSERT_TRUE(c.Found());
        EXPECT_TRUE(Checked(c.autorun));
        Click(c.autorun);
        Click(c.save);
        EXPECT_FALSE(RunEntry());
        EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kRunKey, "SnaplarkTestNeighbour"),
                  "\"C:\\Tools\\other.exe\" -x");
        // Saving again with the box unchecked and no entry changes nothing.
        Click(c.save);
        EXPECT_FALSE(RunEntry());
    }
    Resident program;
    EXPECT_FALSE(Checked(program.Controls().autorun));
}

TEST_F(Settings, StoredModeOneSelectsD3D)
{
    ASSERT_TRUE(SetDword(kSettingsKey, "Mode", 1));
    {
        Resident program;
        const MainControls c = program.Controls();
        ASSERT_TRUE(c.Found());
        EXPECT_TRUE(Checked(c.d3d));
        EXPECT_FALSE(Checked(c.gdi));
    }
    ASSERT_TRUE(SetDword(kSettingsKey, "Mode", 0));
    Resident program;
    const MainControls c = program.Controls();
    EXPECT_TRUE(Checked(c.gdi));
    EXPECT_FALSE(Checked(c.d3d));
}

// Values the program never writes are read as absent; start-up always
// reaches its end, and the next save puts proper values in their place:
// all but a directory, which is the user's and stays as it is.
TEST_F(Settings, ValuesOfTheWrongShapeReadAsAbsent)
{
    const WORD shortDword = 1;
    const unsigned long long qword = 1;
    const char unterminated[] = "C:\\Shots\\x";  // stored without its zero below
    const DWORD interval = 2000;
    ASSERT_TRUE(SetString(kSettingsKey, "Source", "2"));
    ASSERT_TRUE(SetRaw(kSettingsKey, "Capture Interval", REG_BINARY, &interval, sizeof interval));
    ASSERT_TRUE(SetRaw(kSettingsKey, "Sound", REG_DWORD, &shortDword, sizeof shortDword));
    ASSERT_TRUE(SetRaw(kSettingsKey, "On Timer", REG_QWORD, &qword, sizeof qword));
    ASSERT_TRUE(SetRaw(kSettingsKey, "Format", REG_DWORD_BIG_ENDIAN, &interval, sizeof interval));
    // The last byte given is not a zero, and neither is the one after it.
    ASSERT_TRUE(SetRaw(kSettingsKey, "Directory", REG_SZ, unterminated, sizeof unterminated - 2));
    ASSERT_TRUE(SetDword(kSettingsKey, "Destination", 1));  // a good one among them
    const auto directory = ReadRaw(HKEY_CURRENT_USER, kSettingsKey, "Directory");
    ASSERT_TRUE(directory);
    Resident program;
    ExpectStartUpCompleted(program);
    const MainControls c = program.Controls();
    ASSERT_TRUE(c.Found());
    EXPECT_TRUE(Checked(c.fullscreen));
    EXPECT_EQ(Position(c.timeUD), 300);
    EXPECT_TRUE(Checked(c.sound));
    EXPECT_FALSE(Checked(c.timer));
    EXPECT_TRUE(Checked(c.png));
    EXPECT_EQ(TextOf(c.dirL), "...");
    EXPECT_TRUE(Checked(c.file));
    Click(c.save);
    EXPECT_EQ(Stored("Source"), 0u);
    EXPECT_EQ(Stored("Capture Interval"), 300u);
    EXPECT_EQ(Stored("Sound"), 1u);
    EXPECT_EQ(Stored("On Timer"), 0u);
    EXPECT_EQ(Stored("Format"), 0u);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kSettingsKey, "Directory"), directory);
}

TEST_F(Settings, OversizedDirectoriesAndIntervalsOutOfRange)
{
    struct Case {
        const char* what;
        DWORD type;
        std::string directory;
        DWORD interval;
        std::string shown;
        int position;
    };
    const std::vector<Case> cases = {
        {"huge directory, interval 50", REG_SZ, std::string(100000, 'x'), 50,
         std::string(25, 'x') + "...", 100},
        {"expandable string, interval -1", REG_EXPAND_SZ, "%USERPROFILE%\\Pictures", 0xFFFFFFFF,
         "...", 100},
        {"261 characters, interval 4999", REG_SZ, std::string(261, 'y'), 4999,
         std::string(25, 'y') + "...", 4999},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ASSERT_TRUE(SetRaw(kSettingsKey, "Directory", k.type, k.directory.c_str(),
                           static_cast<DWORD>(k.directory.size() + 1)));
        ASSERT_TRUE(SetDword(kSettingsKey, "Capture Interval", k.interval));
        Resident program;
        ExpectStartUpCompleted(program);
        const MainControls c = program.Controls();
        ASSERT_TRUE(c.Found());
        EXPECT_EQ(ControlText(c.dirL), k.shown);
        EXPECT_EQ(Position(c.timeUD), k.position);
        EXPECT_EQ(ControlText(c.timeE), std::to_string(k.position));
        // Print Screen works: the hook thread took the key and the capture
        // reached the clipboard.
        EXPECT_TRUE(CaptureToClipboard());
    }
}

// Presses Shift+Print Screen until a capture file lands in folder: the hooks
// may come up a moment after the hook thread. An error box instead is a
// failure, told with its text and closed.
void ExpectCaptureIn(const Resident& program, const std::string& folder)
{
    bool landed = false;
    for (int attempt = 0; attempt < 5 && !landed; ++attempt) {
        PressKey(VK_SNAPSHOT, {VK_LSHIFT});
        landed = WaitFor([&] { return !ListFiles(folder, "*.png").empty(); }, 2s);
        if (HWND box = FindWindowOf(program.process.Pid(), "#32770", "Snaplark", true)) {
            for (HWND c : ChildrenOf(box))
                if (ClassOf(c) == "Static" && !ControlText(c).empty())
                    ADD_FAILURE() << "error box: " << ControlText(c);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            WaitFor([&] { return !IsWindow(box); });
            return;
        }
    }
    ASSERT_TRUE(landed) << "no capture in " << folder;
    for (const std::string& name : ListFiles(folder, "*.png"))
        EXPECT_EQ(name.find_first_not_of("0123456789"), 15u) << name;
}

// Creates every folder of an absolute path that is not there yet.
void MakeFolders(const std::string& path)
{
    for (size_t at = path.find('\\', 3);; at = path.find('\\', at + 1)) {
        CreateDirectoryW((L"\\\\?\\" + Wide(path.substr(0, at))).c_str(), nullptr);
        if (at == std::string::npos)
            return;
    }
}

// Folders as the folder dialog stores them, in any language and past the
// system's usual path limit: the label shows each (25 characters, never half
// of one), a capture lands in it, and Exit writes it back byte for byte.
TEST_F(Settings, FoldersInAnyLanguageAreShownUsedAndKeptByteForByte)
{
    std::string deep = "C:\\snaplark-deep";  // 300 characters, in folders of 40
    while (deep.size() < 300) {
        deep += '\\';
        deep.append(std::min<size_t>(40, 300 - deep.size()), 'd');
    }
    std::string camera;
    for (int i = 0; i < 25; ++i)
        camera += "📷";
    const struct {
        const char* what;
        std::string folder, shown;
    } rows[] = {
        {"Western accents", "C:\\Captures é ü ß", "C:\\Captures é ü ß"},
        {"Cyrillic", "C:\\Снимки экрана\\Новые снимки", "C:\\Снимки экрана\\Новые сн..."},
        {"CJK", "C:\\スクリーンショット 截图", "C:\\スクリーンショット 截图"},
        {"emoji outside the BMP", std::string("C:\\") + camera,
         std::string("C:\\") + camera.substr(0, 22 * 4) + "..."},
        {"300 characters", deep, deep.substr(0, 25) + "..."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string top = r.folder.substr(0, r.folder.find('\\', 3));
        MakeFolders(r.folder);
        ASSERT_TRUE(SetString(kSettingsKey, "Directory", r.folder));
        ASSERT_TRUE(SetDword(kSettingsKey, "Destination", 1));
        const auto stored = ReadRaw(HKEY_CURRENT_USER, kSettingsKey, "Directory");
        {
            Resident program;
            const MainControls c = program.Controls();
            ASSERT_TRUE(c.Found());
            EXPECT_EQ(ControlText(c.dirL), r.shown);
            ExpectCaptureIn(program, r.folder);
            ASSERT_TRUE(program.Exit());
        }
        DWORD type = 0;
        EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kSettingsKey, "Directory", &type), stored);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        RemoveTree(top);
    }
}

// A copy of the program in a folder of any language (a user profile's, as
// the installer's): the autorun entry carries its path whole, that copy
// knows the entry for its own, and it finds its own version block.
TEST_F(Settings, AutorunEntryOfAProgramInAFolderOfAnyLanguage)
{
    const std::string folder = MakeTempDir("Программы Zoë 截图 📷 ");
    const std::string path = folder + "\\Snaplark.exe";
    ASSERT_TRUE(CopyFileW(Wide(ProgramPath()).c_str(), Wide(path).c_str(), FALSE));
    {
        Resident program(path);
        const MainControls c = program.Controls();
        ASSERT_TRUE(c.Found());
        Click(c.autorun);
        ASSERT_TRUE(program.Exit());
    }
    EXPECT_EQ(RunEntry(), "\"" + path + "\"");
    {
        Resident program(path);
        EXPECT_TRUE(Checked(program.Controls().autorun));
        const std::string version = VersionString(ProgramPath(), "FileVersion");
        bool versionShown = false;
        for (HWND box : ChildrenOf(program.main))
            for (HWND c : ChildrenOf(box))
                versionShown |= !version.empty() && ControlText(c) == version;
        EXPECT_TRUE(versionShown) << version;
    }
    RemoveTree(folder);
}

}  // namespace
