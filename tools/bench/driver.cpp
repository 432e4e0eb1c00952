// Starts the bare Qt window and the real program in turn under the preload shim, reads the
// shim's notes of maps and paints, double-clicks the launcher with XTest, closes the windows
// as a window manager would, and prints the figures. It measures; it never judges.
// With --wine it does the same for the Windows program and a bare Win32 window, both started
// through Wine, timing the launcher only.
#include "../x11/AskToClose.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

using Nanos = std::int64_t;
constexpr Nanos kMs = 1'000'000;
// Paints later than this after a map are not part of showing the window.
constexpr Nanos kLauncherSettle = 1500 * kMs;
constexpr Nanos kDocSettle = 1000 * kMs;

Nanos Now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<Nanos>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct Note {
    Nanos at;
    std::string call;
    unsigned long drawable;
    Nanos cpu; // the process's CPU time at the call
};

// The notes the process pid made: Wine's own processes, started by the first program to need
// them, inherit the shim and its log.
std::vector<Note> ReadNotes(const std::string& path, pid_t pid)
{
    std::vector<Note> notes;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Note note{};
        pid_t from = 0;
        if (fields >> note.at >> note.call >> note.drawable >> from >> note.cpu && from == pid)
            notes.push_back(note);
    }
    return notes;
}

bool IsPaint(const Note& note)
{
    return note.call == "put_image" || note.call == "shm_put_image" || note.call == "copy_area";
}

// The last paint (onto window, or anything when window is 0) in [from, until], moved on to the
// flush that sent it when the shim saw one.
std::optional<Note> LastPaint(const std::vector<Note>& notes, Nanos from, Nanos until, unsigned long window)
{
    std::optional<Note> last;
    for (const Note& note : notes) {
        if (IsPaint(note) && note.at >= from && note.at <= until && (window == 0 || note.drawable == window))
            last = note;
    }
    if (!last)
        return last;
    for (const Note& note : notes) {
        if (note.call == "flush" && note.at >= last->at && note.at <= until)
            return note;
    }
    return last;
}

std::optional<Note> FirstMap(const std::vector<Note>& notes, Nanos after, unsigned long except)
{
    for (const Note& note : notes) {
        if (note.call == "map" && note.at >= after && note.drawable != except)
            return note;
    }
    return std::nullopt;
}

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class X {
public:
    X()
    {
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr)
            throw Failure("cannot open the display");
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(display_, &event, &error, &major, &minor))
            throw Failure("the X server has no XTest extension");
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        root_ = XDefaultRootWindow(display_);
    }
    ~X() { XCloseDisplay(display_); }
    X(const X&) = delete;
    X& operator=(const X&) = delete;

    // The window's client origin on the screen.
    std::pair<int, int> Origin(Window window)
    {
        int x = 0, y = 0;
        Window child = 0;
        if (!XTranslateCoordinates(display_, window, root_, 0, 0, &x, &y, &child))
            throw Failure("cannot find the window on the screen");
        return {x, y};
    }

    bool Viewable(Window window)
    {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, window, &attributes))
            return false;
        return attributes.map_state == IsViewable;
    }

    void MovePointer(int x, int y)
    {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
    }

    void Button(bool down)
    {
        XTestFakeButtonEvent(display_, 1, down ? True : False, CurrentTime);
        XFlush(display_);
    }

    void Sync() { XSync(display_, False); }

    void AskToClose(Window window) { ::AskToClose(display_, window); }

private:
    Display* display_ = nullptr;
    Window root_ = 0;
};

struct Target {
    std::string name;
    std::string program;
    bool doubleClick;
    // Only paints onto the launcher's own window count: Wine also puts images into pixmaps
    // for cursors and icons.
    bool paintsOntoWindow;
};

struct Sample {
    double mapMs = 0;
    double paintMs = 0;
    double mapCpuMs = 0;
    double paintCpuMs = 0;
    double launcherRssMib = 0;
    double exitRssMib = 0;
    std::optional<double> doubleClickMs;
};

struct Options {
    int runs = 15;
    std::string shim, bare, program, disc, work;
    std::string wine; // the command that runs a Windows program, if these are Windows programs
    // What the two columns are, when the yardstick is not a bare window, and the last paint's goal.
    std::string bareName, programName, paintTarget;
    int onlineDocX = -1; // the client-area point to double-click: inside "Online Documentation"
    int onlineDocY = -1;
};

// Peak resident size so far, from /proc.
double PeakRssMib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

class Child {
public:
    Child(const Target& target, const Options& options, const std::string& log)
    {
        const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
        pid_ = fork();
        if (pid_ < 0)
            throw Failure(std::string("fork: ") + std::strerror(errno));
        if (pid_ == 0) {
            if (chdir(options.disc.c_str()) != 0)
                _exit(126);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            setenv("LD_PRELOAD", options.shim.c_str(), 1);
            setenv("AUTORUN_BENCH_SHIM_LOG", log.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            if (!options.wine.empty()) {
                char* const argv[] = {const_cast<char*>(options.wine.c_str()),
                                      const_cast<char*>(target.program.c_str()), nullptr};
                execvp(options.wine.c_str(), argv);
            } else {
                char* const argv[] = {const_cast<char*>(target.program.c_str()), nullptr};
                execv(target.program.c_str(), argv);
            }
            _exit(127);
        }
        close(quiet);
    }
    ~Child()
    {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }

    bool Ended()
    {
        if (!ended_) {
            const pid_t done = wait4(pid_, &status_, WNOHANG, &usage_);
            ended_ = done == pid_;
        }
        return ended_;
    }

    // Waits for the exit that closing the window should cause; SIGTERM, then SIGKILL, if it does not come.
    std::string WaitForExit()
    {
        std::string note;
        const Nanos start = Now();
        while (!Ended()) {
            const Nanos waited = Now() - start;
            if (waited > 10'000 * kMs && note.empty()) {
                kill(pid_, SIGTERM);
                note = "did not end when its window was closed; sent SIGTERM";
            } else if (waited > 15'000 * kMs) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status_, 0);
                ended_ = true;
                return "did not end; killed";
            }
            SleepMs(2);
        }
        if (note.empty() && !(WIFEXITED(status_) && WEXITSTATUS(status_) == 0))
            note = "ended with wait status " + std::to_string(status_);
        return note;
    }

    double MaxRssMib() const { return static_cast<double>(usage_.ru_maxrss) / 1024.0; }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
    rusage usage_{};
};

template <typename Predicate>
void WaitUntil(Child& child, Nanos bound, const char* what, Predicate done)
{
    const Nanos deadline = Now() + bound;
    while (!done()) {
        if (child.Ended())
            throw Failure(std::string("the program ended while waiting for ") + what);
        if (Now() > deadline)
            throw Failure(std::string("timed out waiting for ") + what);
        SleepMs(1);
    }
}

Sample RunOnce(X& x, const Target& target, const Options& options, int index)
{
    const std::string log = options.work + "/" + target.name + "-" + std::to_string(index) + ".log";
    std::remove(log.c_str());
    Sample sample;

    const Nanos exec = Now();
    Child child(target, options, log);

    const pid_t pid = child.Pid();
    std::vector<Note> notes;
    std::optional<Note> map;
    WaitUntil(child, 20'000 * kMs, "the window to map", [&] {
        notes = ReadNotes(log, pid);
        map = FirstMap(notes, 0, 0);
        return map.has_value();
    });
    const Window window = map->drawable;
    WaitUntil(child, 5'000 * kMs, "the window to settle", [&] { return Now() > map->at + kLauncherSettle; });
    notes = ReadNotes(log, pid);
    const std::optional<Note> painted =
        LastPaint(notes, map->at, map->at + kLauncherSettle, target.paintsOntoWindow ? window : 0);
    if (!painted)
        throw Failure(target.name + " put no image within the settling time");
    sample.mapMs = static_cast<double>(map->at - exec) / kMs;
    sample.paintMs = static_cast<double>(painted->at - exec) / kMs;
    sample.mapCpuMs = static_cast<double>(map->cpu) / kMs;
    sample.paintCpuMs = static_cast<double>(painted->cpu) / kMs;
    sample.launcherRssMib = PeakRssMib(child.Pid());

    if (target.doubleClick) {
        const auto [left, top] = x.Origin(window);
        // Hover first, as a hand would, and let the highlight paint before clicking.
        const Nanos moved = Now();
        x.MovePointer(left + options.onlineDocX, top + options.onlineDocY);
        WaitUntil(child, 2'000 * kMs, "the highlight to paint", [&] {
            return LastPaint(ReadNotes(log, pid), moved, Now(), window).has_value();
        });
        SleepMs(100);
        x.Button(true);
        x.Button(false);
        SleepMs(30);
        const Nanos clicked = Now();
        x.Button(true);
        x.Button(false);
        x.Sync();

        std::optional<Note> docMap;
        WaitUntil(child, 10'000 * kMs, "the documentation window to map", [&] {
            docMap = FirstMap(ReadNotes(log, pid), clicked, window);
            return docMap.has_value();
        });
        WaitUntil(child, 5'000 * kMs, "the documentation window to settle",
                  [&] { return Now() > docMap->at + kDocSettle; });
        const std::optional<Note> docPainted =
            LastPaint(ReadNotes(log, pid), docMap->at, docMap->at + kDocSettle, docMap->drawable);
        if (!docPainted)
            throw Failure("the documentation window put no image within the settling time");
        sample.doubleClickMs = static_cast<double>(docPainted->at - clicked) / kMs;

        x.AskToClose(docMap->drawable);
        WaitUntil(child, 10'000 * kMs, "the documentation window to close",
                  [&] { return !x.Viewable(docMap->drawable); });
    }

    x.AskToClose(window);
    const std::string problem = child.WaitForExit();
    if (!problem.empty())
        std::fprintf(stderr, "note: %s run %d %s\n", target.name.c_str(), index, problem.c_str());
    sample.exitRssMib = child.MaxRssMib();
    // The wineserver and Wine's desktop process tidy up after a program has ended; the next
    // program should not start against that work.
    if (!options.wine.empty())
        SleepMs(250);
    return sample;
}

struct Stats {
    double median, min, max;
};

Stats Summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

std::string Cell(const Stats& s, const char* format)
{
    char text[80];
    std::snprintf(text, sizeof text, format, s.median, s.min, s.max);
    return text;
}

Options Parse(int argc, char* argv[])
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--runs")
            options.runs = std::max(1, std::atoi(value.c_str()));
        else if (key == "--shim")
            options.shim = value;
        else if (key == "--bare")
            options.bare = value;
        else if (key == "--program")
            options.program = value;
        else if (key == "--disc")
            options.disc = value;
        else if (key == "--work")
            options.work = value;
        else if (key == "--wine")
            options.wine = value;
        else if (key == "--names" && value.find('|') != std::string::npos) {
            options.bareName = value.substr(0, value.find('|'));
            options.programName = value.substr(value.find('|') + 1);
        } else if (key == "--paint-target")
            options.paintTarget = value;
        else if (key == "--online-doc" && std::sscanf(value.c_str(), "%d,%d", &options.onlineDocX, &options.onlineDocY) == 2)
            continue;
        else
            throw Failure("unknown option " + key);
    }
    if (options.shim.empty() || options.bare.empty() || options.program.empty() || options.disc.empty() ||
        options.work.empty() || options.onlineDocX < 0 || options.onlineDocY < 0)
        throw Failure("usage: driver --shim SO --bare PROGRAM --program PROGRAM --disc DIR --work DIR "
                      "--online-doc X,Y [--runs N] [--wine COMMAND] [--names YARDSTICK|PROGRAM] [--paint-target TEXT]");
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        const Options options = Parse(argc, argv);
        X x;
        const bool wine = !options.wine.empty();
        const Target bare{"bare", options.bare, false, wine};
        const Target autorun{"autorun", options.program, !wine, wine};

        // One unmeasured pair first, so both start with warm file and font caches.
        RunOnce(x, bare, options, 0);
        RunOnce(x, autorun, options, 0);

        std::vector<Sample> bareSamples, autorunSamples;
        for (int i = 1; i <= options.runs; ++i) {
            // Under Wine, what one program leaves the wineserver to do lands on the next; taking
            // turns at going first shares that out.
            if (wine && i % 2 == 0) {
                autorunSamples.push_back(RunOnce(x, autorun, options, i));
                bareSamples.push_back(RunOnce(x, bare, options, i));
            } else {
                bareSamples.push_back(RunOnce(x, bare, options, i));
                autorunSamples.push_back(RunOnce(x, autorun, options, i));
            }
            if (isatty(STDERR_FILENO))
                std::fprintf(stderr, "\rrun %d of %d", i, options.runs);
        }
        if (isatty(STDERR_FILENO))
            std::fprintf(stderr, "\n");

        auto column = [](const std::vector<Sample>& samples, auto field) {
            std::vector<double> values;
            for (const Sample& s : samples)
                values.push_back(field(s));
            return Summarise(values);
        };
        const auto mapOf = [](const Sample& s) { return s.mapMs; };
        const auto paintOf = [](const Sample& s) { return s.paintMs; };
        const auto mapCpuOf = [](const Sample& s) { return s.mapCpuMs; };
        const auto paintCpuOf = [](const Sample& s) { return s.paintCpuMs; };
        const auto shownRssOf = [](const Sample& s) { return s.launcherRssMib; };
        const auto exitRssOf = [](const Sample& s) { return s.exitRssMib; };
        const auto clickOf = [](const Sample& s) { return *s.doubleClickMs; };

        struct Row {
            const char* name;
            Stats bare, autorun;
            const char* format;
            const char* target;
        };
        std::vector<Row> rows = {
            {"exec -> window mapped (ms)", column(bareSamples, mapOf), column(autorunSamples, mapOf),
             "%7.1f %7.1f %7.1f", ""},
            {"exec -> last paint (ms)", column(bareSamples, paintOf), column(autorunSamples, paintOf),
             "%7.1f %7.1f %7.1f",
             !options.paintTarget.empty() ? options.paintTarget.c_str() : wine ? "ratio <= 1.10" : "ratio <= 1.05"},
        };
        if (wine) {
            rows.push_back({"CPU until window mapped (ms)", column(bareSamples, mapCpuOf),
                            column(autorunSamples, mapCpuOf), "%7.1f %7.1f %7.1f", ""});
            rows.push_back({"CPU until last paint (ms)", column(bareSamples, paintCpuOf),
                            column(autorunSamples, paintCpuOf), "%7.1f %7.1f %7.1f", ""});
        } else {
            rows.push_back({"peak RSS, launcher shown (MiB)", column(bareSamples, shownRssOf),
                            column(autorunSamples, shownRssOf), "%7.1f %7.1f %7.1f", ""});
            rows.push_back({"peak RSS at exit (MiB)", column(bareSamples, exitRssOf), column(autorunSamples, exitRssOf),
                            "%7.1f %7.1f %7.1f", "ratio <= 1.10"});
        }

        std::printf("\n%d interleaved runs of each%s (medians, min, max); one warm-up run of each not counted\n\n",
                    options.runs, wine ? ", taking turns at going first" : "");
        const std::string bareName = !options.bareName.empty() ? options.bareName
                                     : wine                     ? "bare Win32 window"
                                                                : "bare Qt window";
        const std::string programName = !options.programName.empty() ? options.programName
                                        : wine                        ? "Autorun.exe"
                                                                      : "autorun";
        std::printf("%-32s | %-23s | %-23s | %-6s | %s\n", "", bareName.c_str(), programName.c_str(), "ratio",
                    "target");
        std::printf("%-32s | %7s %7s %7s | %7s %7s %7s | %6s |\n", "", "median", "min", "max", "median", "min", "max",
                    "");
        for (const Row& row : rows) {
            std::printf("%-32s | %s | %s | %6.3f | %s\n", row.name, Cell(row.bare, row.format).c_str(),
                        Cell(row.autorun, row.format).c_str(), row.autorun.median / row.bare.median, row.target);
        }
        if (wine) {
            std::printf("\nexec: of `%s <exe>`; mapped: XMapWindow of the top-level window; last paint: the flush "
                        "that sent the last image put onto that window within %lld ms of the map\n",
                        options.wine.c_str(), static_cast<long long>(kLauncherSettle / kMs));
            std::printf("CPU: user+system time of the program's own process (all threads) at those calls, from exec; "
                        "wineserver's and the X server's work for it are not in it\n");
            return 0;
        }
        const Stats click = column(autorunSamples, clickOf);
        std::printf("%-32s | %23s | %s | %6s | %s\n", "double-click -> doc painted (ms)", "-",
                    Cell(click, "%7.1f %7.1f %7.1f").c_str(), "", "median <= 30 ms");
        std::printf("\nlast paint: the last image put to the X server within %lld ms of the map "
                    "(documentation window: %lld ms)\n",
                    static_cast<long long>(kLauncherSettle / kMs), static_cast<long long>(kDocSettle / kMs));
        std::printf("peak RSS, launcher shown: VmHWM from /proc once the launcher has settled, before the double-click\n");
        std::printf("peak RSS at exit: wait4's ru_maxrss; autorun's includes the documentation window it opened\n");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "\nbench driver: %s\n", e.what());
        return 1;
    }
}
