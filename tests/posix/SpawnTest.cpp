// Starting programs for real: what cannot be started and why, how a started program finds its
// arguments, input, files and session, and that every ended child is collected.
#include "platform/posix/Spawn.h"

#include "app/Failure.h"
#include "ScopedVariable.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace autorun::posix {
namespace {

using test::ScopedVariable;
using test::TempFolder;
using namespace std::string_literals;

void MakeExecutable(const std::filesystem::path& file)
{
    using std::filesystem::perms;
    std::filesystem::permissions(file, perms::owner_exec | perms::group_exec | perms::others_exec,
                                 std::filesystem::perm_options::add);
}

std::string ReadText(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

// Waits for the child to end. There is no deadline to meet: the bound only keeps a broken
// start from hanging the run, and the scripts bound their own waits well below it.
std::optional<int> WaitForEnd(const SpawnedProcess& child)
{
    for (int round = 0; round < 12000; ++round) {
        if (const std::optional<int> status = TryReap(child))
            return status;
        if (child.pidfd >= 0) {
            pollfd ended{child.pidfd, POLLIN, 0};
            poll(&ended, 1, 10);
        } else {
            usleep(10'000);
        }
    }
    return std::nullopt;
}

char ProcessState(pid_t pid)
{
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? '?' : stat[close + 2];
}

bool Collected(pid_t pid)
{
    errno = 0;
    return waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

void ExpectCannotStart(const std::vector<std::string>& argv, bool searchPath, int error, const std::string& note)
{
    std::string expected = "Cannot start \"" + argv.front() + "\": " + std::strerror(error);
    if (!note.empty())
        expected += " (" + note + ")";
    try {
        const SpawnedProcess child = Spawn(argv, searchPath);
        ADD_FAILURE() << "started as " << child.pid;
        WaitForEnd(child);
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Number(), error);
        EXPECT_EQ(failure.Description(), expected);
    }
}

class SpawnTest : public testing::Test {
protected:
    TempFolder folder_;
};

TEST_F(SpawnTest, ReportsWhatCannotBeStarted)
{
    const std::filesystem::path missing = folder_.Path() / "Utils" / "no such program";

    const std::filesystem::path script = folder_.Write("setup.sh", "#!/bin/sh\nexit 0\n");

    std::mt19937 generator(7);
    std::string noise(4096, '\0');
    for (char& c : noise)
        c = static_cast<char>(generator() & 0xFF);
    noise[0] = '\0'; // neither "#!" nor a known program header
    const std::filesystem::path windowsProgram =
        folder_.Write("Utils/Acrobat/AdbeRdr70_enu_full.exe", noise);
    MakeExecutable(windowsProgram);

    const std::filesystem::path text = folder_.Write("README.TXT", "Read me first.\n");
    MakeExecutable(text);

    const std::filesystem::path pipe = folder_.Path() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0700), 0);

    const struct {
        const char* what;
        std::string program;
        bool searchPath;
        int error;
        std::string note;
    } rows[] = {
        {"missing file", missing.string(), false, ENOENT, ""},
        {"missing file, searching", missing.string(), true, ENOENT, ""},
        {"not marked as a program", script.string(), false, EACCES, "the disc may not allow running programs"},
        {"random bytes", windowsProgram.string(), false, ENOEXEC, "it is not a program this system can run"},
        {"text without #!", text.string(), false, ENOEXEC, "it is not a program this system can run"},
        {"a folder", (folder_.Path() / "Utils").string(), false, EISDIR, "it is a folder"},
        {"a folder, searching", (folder_.Path() / "Utils").string(), true, EISDIR, "it is a folder"},
        {"a pipe", pipe.string(), false, EACCES, "it is not a file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ExpectCannotStart({row.program}, row.searchPath, row.error, row.note);
    }
}

TEST_F(SpawnTest, WindowsProgramMessageReadsWell)
{
    const std::filesystem::path program = folder_.Write("Utils/Acrobat/AdbeRdr70_enu_full.exe", "MZ?\0\0"s);
    MakeExecutable(program);
    try {
        Spawn({program.string()}, false);
        ADD_FAILURE() << "started";
    } catch (const Failure& failure) {
        // Where binfmt_misc hands MZ files to an emulator, exec accepts them; the rest must say why not.
        EXPECT_EQ(failure.Description(), "Cannot start \"" + program.string() +
                                             "\": Exec format error (it is not a program this system can run)");
    }
}

TEST_F(SpawnTest, NothingNamedIsAFailure)
{
    EXPECT_THROW(Spawn({}, false), Failure);
    EXPECT_THROW(Spawn({""}, true), Failure);
}

TEST_F(SpawnTest, ScriptWithBlanksInItsPathRunsDetached)
{
    const std::filesystem::path script = folder_.Write("x y/run me.sh",
        "#!/bin/sh\n"
        "# Waits until the test has seen it running, then reports how it was started.\n"
        "i=0\n"
        "while [ ! -e \"$1/go\" ]; do\n"
        "    i=$((i + 1))\n"
        "    if [ \"$i\" -gt 3000 ]; then exit 99; fi\n"
        "    sleep 0.01\n"
        "done\n"
        "{\n"
        "    printf '%s\\n' \"$0\" \"$#\" \"$1\" \"$2\"\n"
        "    readlink /proc/$$/fd/0\n"
        "    if [ -e /proc/$$/fd/57 ]; then echo inherited; else echo closed; fi\n"
        "    cat /proc/$$/stat\n"
        "} > \"$1/report.tmp\"\n"
        "mv \"$1/report.tmp\" \"$1/report\"\n"
        "exit 7\n");
    MakeExecutable(script);

    // A file this program has open without close-on-exec must not reach the child.
    const int open = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(open, 0);
    ASSERT_EQ(dup2(open, 57), 57);
    ::close(open);

    // Nor may this program's own input, whatever it is while the tests run.
    const int savedInput = dup(STDIN_FILENO);
    ASSERT_GE(savedInput, 0);
    const int input = ::open(folder_.Write("input.txt", "typed\n").c_str(), O_RDONLY);
    ASSERT_GE(input, 0);
    ASSERT_EQ(dup2(input, STDIN_FILENO), STDIN_FILENO);
    ::close(input);

    const SpawnedProcess child = Spawn({script.string(), folder_.Path().string(), "second argument"}, false);
    dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    ::close(57);
    ASSERT_GT(child.pid, 0);

    // Spawn has returned while the script still waits for the go file.
    EXPECT_EQ(TryReap(child), std::nullopt);
    ReapFinishedChildren();
    EXPECT_EQ(TryReap(child), std::nullopt);
    EXPECT_NE(ProcessState(child.pid), 'Z');

    folder_.Write("go", "");
    EXPECT_EQ(WaitForEnd(child), 7);
    EXPECT_TRUE(Collected(child.pid));
    if (child.pidfd >= 0) {
        errno = 0;
        EXPECT_EQ(fcntl(child.pidfd, F_GETFD), -1) << "the pidfd is still open";
        EXPECT_EQ(errno, EBADF);
    }

    std::istringstream report(ReadText(folder_.Path() / "report"));
    std::string zero, count, first, second, childInput, inherited, stat;
    std::getline(report, zero);
    std::getline(report, count);
    std::getline(report, first);
    std::getline(report, second);
    std::getline(report, childInput);
    std::getline(report, inherited);
    std::getline(report, stat);
    EXPECT_EQ(zero, script.string());
    EXPECT_EQ(count, "2");
    EXPECT_EQ(first, folder_.Path().string());
    EXPECT_EQ(second, "second argument");
    EXPECT_EQ(childInput, "/dev/null");
    EXPECT_EQ(inherited, "closed");

    // After "(name)": state, parent, process group, session.
    const std::size_t close = stat.rfind(')');
    ASSERT_NE(close, std::string::npos) << stat;
    std::istringstream fields(stat.substr(close + 1));
    std::string state;
    long parent = 0, group = 0, session = 0;
    fields >> state >> parent >> group >> session;
    EXPECT_EQ(session, child.pid) << "not in a session of its own";
    EXPECT_EQ(group, child.pid);
    EXPECT_NE(session, getsid(0));
}

TEST_F(SpawnTest, ReportsExitStatusOrSignal)
{
    const struct {
        const char* command;
        int status;
    } rows[] = {
        {"exit 0", 0},
        {"exit 3", 3},
        {"exit 255", 255},
        {"kill -TERM $$", 128 + SIGTERM},
        {"kill -KILL $$", 128 + SIGKILL},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        const SpawnedProcess child = Spawn({"/bin/sh", "-c", row.command}, false);
        EXPECT_EQ(WaitForEnd(child), row.status);
        EXPECT_TRUE(Collected(child.pid));
    }
}

TEST_F(SpawnTest, SearchesThePathForABareName)
{
    const std::filesystem::path tool = folder_.Write("bin/autorun-test-tool", "#!/bin/sh\nexit 4\n");
    MakeExecutable(tool);
    folder_.Write("bin/autorun-test-plain", "#!/bin/sh\nexit 0\n");
    const std::string search = (folder_.Path() / "empty").string() + ":" + (folder_.Path() / "bin").string();
    const ScopedVariable path("PATH", search.c_str());

    const SpawnedProcess child = Spawn({"autorun-test-tool"}, true);
    EXPECT_EQ(WaitForEnd(child), 4);
    ExpectCannotStart({"autorun-test-missing"}, true, ENOENT, "it is not on the search path");
    ExpectCannotStart({"autorun-test-plain"}, true, EACCES, "");
    // Without searching, a bare name is a file in the current folder.
    ExpectCannotStart({"autorun-test-tool"}, false, ENOENT, "");
}

TEST_F(SpawnTest, SweepKeepsTheStatusForTryReap)
{
    const SpawnedProcess child = Spawn({"/bin/sh", "-c", "exit 5"}, false);
    for (int round = 0; round < 6000 && ProcessState(child.pid) != 'Z'; ++round)
        usleep(10'000);
    ASSERT_EQ(ProcessState(child.pid), 'Z');

    ReapFinishedChildren();
    EXPECT_TRUE(Collected(child.pid));
    EXPECT_EQ(TryReap(child), 5);
}

TEST_F(SpawnTest, AskingAgainTouchesNoReusedDescriptor)
{
    const SpawnedProcess child = Spawn({"/bin/sh", "-c", "exit 0"}, false);
    ASSERT_EQ(WaitForEnd(child), 0);
    // The lowest free number: the closed pidfd's, where there was one.
    const int reused = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reused, 0);
    EXPECT_EQ(TryReap(child), 255);
    EXPECT_NE(fcntl(reused, F_GETFD), -1) << "a second TryReap closed a descriptor it no longer owns";
    close(reused);
}

} // namespace
} // namespace autorun::posix
