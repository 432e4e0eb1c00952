// Path texts mapped onto a real temporary tree: separators, letter case, and what counts as a
// normal file; and the program's own folder.
#include "platform/posix/PosixFiles.h"

#include "app/Failure.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace autorun::posix {
namespace {

using test::TempFolder;

// Restores the current folder when a test leaves.
class CurrentFolder {
public:
    CurrentFolder() : saved_(std::filesystem::current_path()) {}
    ~CurrentFolder() { std::filesystem::current_path(saved_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path saved_;
};

TEST(PathText, WritesSlashesAsBackslashes)
{
    const struct {
        const char* native;
        const char* text;
    } rows[] = {
        {"/", "\\"},
        {"/media/cdrom", "\\media\\cdrom"},
        {"/media/cdrom/docs/VOL1/VOL1DOC.PDF", "\\media\\cdrom\\docs\\VOL1\\VOL1DOC.PDF"},
        {"/run/media/user/DEVKIT 8", "\\run\\media\\user\\DEVKIT 8"},
        {"docs/VOL1", "docs\\VOL1"},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(PathText(row.native), row.text) << row.native;
}

class NativePathTest : public testing::Test {
protected:
    void SetUp() override
    {
        tree_.Write("DOCS/Vol1/vol1doc.pdf", "%PDF-1.4\n");
        tree_.Write("Readme.txt", "mixed\n");
        tree_.Write("README.TXT", "upper\n");
        tree_.Write("\xC3\x84PFEL.TXT", "apple\n");                  // ÄPFEL.TXT
        tree_.Write("\xD0\x9F\xD0\x90\xD0\x9F\xD0\x9A\xD0\x90/x", ""); // ПАПКА/x
        tree_.Write("Setup Files/Setup.exe", "");
    }

    TempFolder tree_;
};

TEST_F(NativePathTest, MapsTextsOntoTheTree)
{
    const struct {
        const char* text; // after the tree's own folder
        const char* native;
    } rows[] = {
        {"\\DOCS\\Vol1\\vol1doc.pdf", "DOCS/Vol1/vol1doc.pdf"},
        {"\\docs\\VOL1\\VOL1DOC.PDF", "DOCS/Vol1/vol1doc.pdf"},
        {"\\\\docs\\\\VOL1\\\\\\VOL1DOC.PDF", "DOCS/Vol1/vol1doc.pdf"},
        {"\\docs\\VOL1\\", "DOCS/Vol1"},
        {"/docs/vol1/Vol1Doc.Pdf", "DOCS/Vol1/vol1doc.pdf"},
        {"\\docs/vol1\\VOL1DOC.PDF", "DOCS/Vol1/vol1doc.pdf"},
        {"\\README.TXT", "README.TXT"},
        {"\\Readme.txt", "Readme.txt"},
        {"\\readme.txt", "README.TXT"}, // of two that match, the first in byte order
        {"\\\xC3\xA4pfel.txt", "\xC3\x84PFEL.TXT"},
        {"\\\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0\\X", "\xD0\x9F\xD0\x90\xD0\x9F\xD0\x9A\xD0\x90/x"},
        {"\\setup files\\SETUP.EXE", "Setup Files/Setup.exe"},
        {"\\docs\\Missing\\VOL1DOC.PDF", "DOCS/Missing/VOL1DOC.PDF"},
        {"\\DOCS\\Vol1\\vol1doc.pdf\\inside", "DOCS/Vol1/vol1doc.pdf/inside"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(NativePath(tree_.Text() + row.text).string(), (tree_.Path() / row.native).string());
    }
}

TEST_F(NativePathTest, DoesNotFoldDifferentLetters)
{
    EXPECT_EQ(NativePath(tree_.Text() + "\\apfel.txt"), tree_.Path() / "apfel.txt");
    EXPECT_EQ(NativePath(tree_.Text() + "\\README.TX"), tree_.Path() / "README.TX");
    EXPECT_EQ(NativePath(tree_.Text() + "\\README.TXT.BAK"), tree_.Path() / "README.TXT.BAK");
}

TEST_F(NativePathTest, CreatesNothing)
{
    const std::filesystem::path missing = NativePath(tree_.Text() + "\\New Folder\\new.txt");
    EXPECT_EQ(missing, tree_.Path() / "New Folder" / "new.txt");
    EXPECT_FALSE(std::filesystem::exists(tree_.Path() / "New Folder"));
}

TEST_F(NativePathTest, RelativeTextsStartAtTheCurrentFolder)
{
    const CurrentFolder restore;
    std::filesystem::current_path(tree_.Path());
    EXPECT_EQ(NativePath("docs\\vol1\\VOL1DOC.PDF"), std::filesystem::path("DOCS/Vol1/vol1doc.pdf"));
    EXPECT_EQ(NativePath("\\\\"), std::filesystem::path("/"));
    EXPECT_EQ(NativePath(""), std::filesystem::path());
}

// On Linux "\\" is a character of a name. A program in such a folder builds its path texts from the
// folder's text, in which that character looks like a separator.
TEST_F(NativePathTest, TheProgramFolderIsTakenWholeNeverSplit)
{
    tree_.Write("back\\slash/autorun.inf", "[App Info]\r\n1=the disc\r\n");
    tree_.Write("back\\slash/DOCS/ALL/ALLDOC.PDF", "%PDF\n");
    // What the program must not read instead: the folder its text also names.
    tree_.Write("back/slash/autorun.inf", "[App Info]\r\n1=a decoy\r\n");
    const std::filesystem::path folder = tree_.Path() / "back\\slash";
    const std::string appPath = PathText(folder) + "\\";
    const struct {
        std::string text;
        std::filesystem::path native;
    } rows[] = {
        {PathText(folder), folder},
        {appPath, folder},
        {appPath + "autorun.inf", folder / "autorun.inf"},
        {appPath + "\\docs\\all\\alldoc.pdf", folder / "DOCS/ALL/ALLDOC.PDF"},
        {appPath + "Utils\\Acrobat\\setup.exe", folder / "Utils/Acrobat/setup.exe"},
        // Texts of other folders are mapped as before, even one that begins like the program's.
        {PathText(folder) + "x\\autorun.inf", tree_.Path() / "back/slashx/autorun.inf"},
        {tree_.Text() + "\\back\\autorun.inf", tree_.Path() / "back/autorun.inf"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(NativePath(row.text, folder), row.native);
    }
    EXPECT_EQ(NativePath("\\media\\cdrom\\autorun.inf", "/"), std::filesystem::path("/media/cdrom/autorun.inf"));
}

TEST_F(NativePathTest, FoldsLatinExtendedAInItsPairs)
{
    const struct {
        const char* onDisc;
        const char* asked;
        bool same;
    } rows[] = {
        {"\xC4\x80", "\xC4\x81", true},   // Ā ā, the block's first pair
        {"\xC4\xAE", "\xC4\xAF", true},   // Į į
        {"\xC4\xB0", "i", false},          // İ has no simple small letter
        {"\xC4\xB2", "\xC4\xB3", true},   // Ĳ ĳ
        {"\xC4\xB6", "\xC4\xB7", true},   // Ķ ķ
        {"\xC4\xB9", "\xC4\xBA", true},   // Ĺ ĺ: from here capitals are odd
        {"\xC4\xBB", "\xC4\xBA", false},  // Ļ is not ĺ's capital
        {"\xC5\x87", "\xC5\x88", true},   // Ň ň
        {"\xC5\x8A", "\xC5\x8B", true},   // Ŋ ŋ: even again
        {"\xC5\xB6", "\xC5\xB7", true},   // Ŷ ŷ
        {"\xC5\xB8", "\xC3\xBF", true},   // Ÿ ÿ
        {"\xC5\xB9", "\xC5\xBA", true},   // Ź ź: odd again
        {"\xC5\xBD", "\xC5\xBE", true},   // Ž ž
        {"\xC5\xBF", "s", false},          // ſ stays itself
        {"\xC3\x97", "\xC3\xB7", false},  // × is no capital of ÷
        {"\xCE\xA3", "\xCF\x83", true},   // Σ σ
        {"\xD0\x81", "\xD1\x91", true},   // Ё ё
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.onDisc);
        const std::string name = std::string("fold-") + row.onDisc;
        tree_.Write(name, "");
        const std::filesystem::path found = NativePath(tree_.Text() + "\\fold-" + row.asked);
        EXPECT_EQ(found == tree_.Path() / name, row.same) << found;
    }
}

class FindNormalFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        tree_.Write("Setup.txt", "setup\n");
        tree_.Write(".Hidden", "hidden\n");
        tree_.Write("Folder/Inner.pdf", "%PDF\n");
        std::filesystem::create_symlink(tree_.Path() / "Setup.txt", tree_.Path() / "Link to setup");
        std::filesystem::create_symlink(tree_.Path() / "Nowhere.txt", tree_.Path() / "Dangling");
        std::filesystem::create_directory_symlink(tree_.Path() / "Folder", tree_.Path() / "Link to folder");
        std::filesystem::create_symlink("Loop2", tree_.Path() / "Loop1");
        std::filesystem::create_symlink("Loop1", tree_.Path() / "Loop2");
    }

    TempFolder tree_;
};

TEST_F(FindNormalFileTest, NamesOnlyNormalFiles)
{
    const struct {
        const char* text; // after the tree's own folder
        const char* name;
    } rows[] = {
        {"\\Setup.txt", "Setup.txt"},
        {"\\SETUP.TXT", "Setup.txt"},
        {"\\\\setup.txt", "Setup.txt"},
        {"\\Folder\\Inner.pdf", "Inner.pdf"},
        {"\\folder\\INNER.PDF", "Inner.pdf"},
        {"\\Link to setup", "Link to setup"},
        {"\\Link to folder\\Inner.pdf", "Inner.pdf"},
        {"\\.Hidden", ""},
        {"\\.hidden", ""},
        {"\\Folder", ""},
        {"\\Folder\\", ""},
        {"\\Link to folder", ""},
        {"\\Missing.txt", ""},
        {"\\No Folder\\Setup.txt", ""},
        {"\\Setup.txt\\Inner.pdf", ""},
        {"\\Dangling", ""},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(FindNormalFile(NativePath(tree_.Text() + row.text)), row.name);
    }
    EXPECT_EQ(FindNormalFile(""), "");
    EXPECT_EQ(FindNormalFile("/"), "");
}

void ExpectLookupFailure(const std::string& text, int error, const std::filesystem::path& native)
{
    try {
        const std::string name = FindNormalFile(NativePath(text));
        ADD_FAILURE() << "no failure; found \"" << name << "\"";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Number(), error);
        EXPECT_EQ(failure.Description(), "Cannot look for \"" + native.string() + "\": " + std::strerror(error));
    }
}

TEST_F(FindNormalFileTest, ReportsALinkLoop)
{
    ExpectLookupFailure(tree_.Text() + "\\Loop1", ELOOP, tree_.Path() / "Loop1");
    ExpectLookupFailure(tree_.Text() + "\\loop2", ELOOP, tree_.Path() / "Loop2");
}

TEST_F(FindNormalFileTest, ReportsANameTooLong)
{
    const std::string name(300, 'n');
    ExpectLookupFailure(tree_.Text() + "\\" + name, ENAMETOOLONG, tree_.Path() / name);
}

TEST_F(FindNormalFileTest, ReportsAFolderItMayNotLookInto)
{
    tree_.Write("Locked/Setup.txt", "");
    std::filesystem::permissions(tree_.Path() / "Locked", std::filesystem::perms::none);
    // Root may look into any folder, so the lookup is made as nobody.
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                std::_Exit(2);
            ExpectLookupFailure(tree_.Text() + "\\Locked\\Setup.txt", EACCES, tree_.Path() / "Locked" / "Setup.txt");
            std::_Exit(testing::Test::HasFailure() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(ExecutableFolder, IsTheExecutablesFolderWhereverTheTestRuns)
{
    const std::filesystem::path expected = std::filesystem::canonical("/proc/self/exe").parent_path();
    const TempFolder elsewhere;
    const CurrentFolder restore;
    for (const std::filesystem::path& folder : {elsewhere.Path(), std::filesystem::path("/")}) {
        SCOPED_TRACE(folder.string());
        std::filesystem::current_path(folder);
        EXPECT_EQ(ExecutableFolder(), expected);
    }
}

} // namespace
} // namespace autorun::posix
