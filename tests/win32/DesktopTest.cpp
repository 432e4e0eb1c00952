// The Windows desktop's own operations, against real files and processes under Wine.
#include "app/Failure.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Desktop.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace autorun::win32 {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the user's temporary folder; removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(std::wstring_view name = L"autorun-test")
    {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        root_ = fs::path(base) / (std::wstring(name) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(counter_++));
        fs::create_directories(root_);
    }
    ~TempFolder()
    {
        // Attributes that keep a file from going are taken off first.
        for (const auto& entry : fs::recursive_directory_iterator(root_))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& Root() const { return root_; }
    // The path as the program's texts carry it: UTF-8 with "\" separators.
    std::string Text(const fs::path& relative = {}) const { return Utf8((root_ / relative).wstring()); }

    fs::path Write(const fs::path& relative, std::string_view bytes) const
    {
        const fs::path path = root_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    static inline int counter_ = 0;
    fs::path root_;
};

TEST(Win32DesktopFindFile, MatchesOnlyANormalFile)
{
    TempFolder disc;
    struct Case {
        const char* what;
        const char* path;
        DWORD attributes; // 0: leave the file as written
        bool folder;
        bool found;
    };
    const Case cases[] = {
        {"a plain file", "docs\\ALL\\ALLDOC.PDF", 0, false, true},
        {"a read-only file", "docs\\RO\\RODOC.PDF", FILE_ATTRIBUTE_READONLY, false, true},
        {"an archived file", "docs\\AR\\ARDOC.PDF", FILE_ATTRIBUTE_ARCHIVE, false, true},
        {"a hidden file", "docs\\HID\\HIDDOC.PDF", FILE_ATTRIBUTE_HIDDEN, false, false},
        {"a system file", "docs\\SYS\\SYSDOC.PDF", FILE_ATTRIBUTE_SYSTEM, false, false},
        {"a folder", "docs\\DIR\\DIRDOC.PDF", 0, true, false},
    };
    Win32Desktop desktop;
    for (const Case& c : cases) {
        const fs::path path = disc.Root() / c.path;
        if (c.folder) {
            fs::create_directories(path);
        } else {
            disc.Write(c.path, "%PDF-1.4\n");
        }
        if (c.attributes != 0) {
            ASSERT_TRUE(SetFileAttributesW(path.c_str(), c.attributes)) << c.what;
        }
        EXPECT_EQ(desktop.FindFile(disc.Text(c.path)), c.found ? path.filename().string() : "") << c.what;
    }
}

TEST(Win32DesktopFindFile, FindsNothingWhereNothingIs)
{
    TempFolder disc;
    disc.Write("docs\\ALL\\ALLDOC.PDF", "%PDF-1.4\n");
    Win32Desktop desktop;
    const std::string missing[] = {
        disc.Text("docs\\ALL\\VOL1DOC.PDF"),  // missing file
        disc.Text("docs\\VOL1\\VOL1DOC.PDF"), // missing folder
        disc.Text("docs\\*\\*DOC.PDF"),       // wildcards name no file
        disc.Text("docs\\AL?\\AL?DOC.PDF"),
    };
    for (const std::string& path : missing)
        EXPECT_EQ(desktop.FindFile(path), "") << path;
}

TEST(Win32DesktopFindFile, IgnoresLetterCaseAsWindowsDoes)
{
    TempFolder disc;
    disc.Write("docs\\Vol1\\Vol1Doc.pdf", "%PDF-1.4\n");
    Win32Desktop desktop;
    EXPECT_EQ(desktop.FindFile(disc.Text("docs\\VOL1\\VOL1DOC.PDF")), "Vol1Doc.pdf");
}

TEST(Win32DesktopStartProgram, FailsWithTheSystemsNumberAndMessage)
{
    TempFolder disc;
    // Plain text: Wine would run a "#!" script as a Linux program, which Windows never does.
    disc.Write("Utils\\Acrobat\\NotAProgram.exe", "These are the release notes, not a program.\r\n");
    struct Case {
        const char* what;
        const char* path;
        DWORD error;
    };
    const Case cases[] = {
        {"a missing installer", "Utils\\Acrobat\\AdbeRdr70_enu_full.exe", ERROR_FILE_NOT_FOUND},
        {"a missing folder", "Utils\\Reader\\AdbeRdr70_enu_full.exe", ERROR_PATH_NOT_FOUND},
        {"a file that is no program", "Utils\\Acrobat\\NotAProgram.exe", ERROR_BAD_EXE_FORMAT},
    };
    Win32Desktop desktop;
    for (const Case& c : cases) {
        const std::string path = disc.Text(c.path);
        try {
            desktop.StartProgram(path);
            ADD_FAILURE() << c.what << " started";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Number(), static_cast<long>(c.error)) << c.what;
            EXPECT_EQ(failure.Description(), "Cannot start \"" + path + "\": " + SystemMessage(c.error)) << c.what;
            EXPECT_FALSE(SystemMessage(c.error).empty());
        }
    }
}

// The installer stand-in leaves a line in this file when it runs.
bool WaitForLine(const fs::path& log, std::string_view line)
{
    for (int i = 0; i < 400; ++i) {
        std::ifstream in(log);
        for (std::string read; std::getline(in, read);) {
            if (read == line)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

TEST(Win32DesktopStartProgram, StartsAPathWithBlanksAsOneProgram)
{
    // "My Kit\Utils\..." unquoted would start "My.exe" with the rest as its arguments.
    TempFolder disc(L"My Kit");
    const fs::path standIn = fs::path(AUTORUN_STAND_IN);
    const fs::path installer = disc.Root() / "Utils" / "Acrobat" / "AdbeRdr70_enu_full.exe";
    fs::create_directories(installer.parent_path());
    fs::copy_file(standIn, installer);
    const fs::path decoy = disc.Root().parent_path() / (disc.Root().filename().wstring().substr(0, 2) + L".exe");
    ASSERT_FALSE(fs::exists(decoy));
    const fs::path log = disc.Root() / "started.log";
    SetEnvironmentVariableW(L"AUTORUN_STANDIN_LOG", log.c_str());

    Win32Desktop desktop;
    desktop.StartProgram(disc.Text("Utils\\Acrobat\\AdbeRdr70_enu_full.exe"));
    EXPECT_TRUE(WaitForLine(log, "installer-started"));
    SetEnvironmentVariableW(L"AUTORUN_STANDIN_LOG", nullptr);
}

TEST(Win32DesktopProgramFolder, IsTheExecutablesFolderWithoutATrailingBackslash)
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::wstring expected = fs::path(std::wstring(self, length)).parent_path().wstring();

    Win32Desktop desktop;
    const std::string folder = desktop.ProgramFolder();
    EXPECT_EQ(folder, Utf8(expected));
    EXPECT_NE(folder.back(), '\\');
}

TEST(Win32DesktopProfile, ReadsAnEightBitFileInTheSystemCodePageFromAnyFolder)
{
    // A folder named outside the 8-bit code page, a file written in it.
    TempFolder disc(L"\u0394\u03af\u03c3\u03ba\u03bf\u03c2");
    const std::string bytes = "[App Info]\r\n1=Caf\xe9 \x96 Kit\r\n[Descriptions]\r\n1=" + std::string(200, 'x') +
                              "\r\n";
    disc.Write("autorun.inf", bytes);
    Win32Desktop desktop;
    const std::string file = disc.Text("autorun.inf");

    // What the 8-bit reader gives, in the system code page, turned into UTF-8.
    char narrow[128] = {};
    TempFolder plain;
    const fs::path ansiCopy = plain.Write("autorun.inf", bytes);
    const DWORD copied =
        GetPrivateProfileStringA("App Info", "1", "", narrow, 127, ansiCopy.string().c_str());
    std::wstring wide(static_cast<std::size_t>(copied), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(copied), wide.data(), static_cast<int>(copied));

    EXPECT_EQ(desktop.ReadProfileString("App Info", "1", "", 127, file), Utf8(wide));
    if (GetACP() == 1252) {
        EXPECT_EQ(Utf8(wide), "Caf\u00e9 \u2013 Kit");
    }
    EXPECT_EQ(desktop.ReadProfileString("app info", "1", "", 127, file), Utf8(wide));
    EXPECT_EQ(desktop.ReadProfileString("Descriptions", "1", "", 127, file), std::string(126, 'x'));
    EXPECT_EQ(desktop.ReadProfileString("Descriptions", "2", "", 127, file), "");
    EXPECT_EQ(desktop.ReadProfileString("App Info", "1", "", 127, disc.Text("missing.inf")), "");
}

TEST(Win32DesktopGeometry, MeasuresTheScreenInTwips)
{
    // The Wine session's display is an Xvfb of 1280 x 1024 pixels at 96 dots per inch.
    Win32Desktop desktop;
    const ui::Size screen = desktop.ScreenSize();
    EXPECT_EQ(screen.width, 19200);
    EXPECT_EQ(screen.height, 15360);
}

} // namespace
} // namespace autorun::win32
