// What every desktop must do alike, written once and run against each front end through a small
// driver over its own windows, input and screen-reader access: the cases (OnEveryDesktop.* and
// ScreenReadersOnEveryDesktop.*) run on the Driver that MakeDriver gives.
#pragma once

#include "TestDisc.h"
#include "ui/Appearance.h"
#include "ui/Form.h"
#include "ui/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace autorun::conformance {

// A label as a screen reader reads it, in words neither desktop uses: each driver converts its
// toolkit's roles and states to these.
struct Reading {
    std::string role; // "button", "link" or "text"
    std::string name;
    std::string description;
    std::set<std::string> states; // "focusable", "focused", "invisible", "unavailable", "read-only", "linked"
    bool acts = false;            // it has a default action
    std::size_t children = 0;     // a window's labels

    bool operator==(const Reading&) const = default;
};
void PrintTo(const Reading& reading, std::ostream* out);

// What a window told screen readers of a label: "focus", "show", "hide", "name" or "state".
struct Announcement {
    std::string what;
    std::size_t label = 0; // position in Labels()

    bool operator==(const Announcement&) const = default;
};
void PrintTo(const Announcement& announcement, std::ostream* out);

// Pixels as 0xRRGGBB.
using Rgb = std::uint32_t;
constexpr Rgb MakeRgb(int red, int green, int blue)
{
    return static_cast<Rgb>(red) << 16 | static_cast<Rgb>(green) << 8 | static_cast<Rgb>(blue);
}

constexpr Rgb ToRgb(ui::Colour colour)
{
    return MakeRgb(ui::Red(colour), ui::Green(colour), ui::Blue(colour));
}
constexpr ui::Colour FromRgb(Rgb pixel)
{
    return (pixel & 0xFF) << 16 | (pixel & 0xFF00) | pixel >> 16;
}

// What a window shows, row by row from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    Image Part(const ui::PixelBox& area) const;
    bool operator==(const Image&) const = default;
};

// Pixels inside area whose channels each lie within tolerance of colour.
int CountNear(const Image& image, const ui::PixelBox& area, Rgb colour, int tolerance = 48);
// Pixels inside area that differ from colour at all.
int CountOther(const Image& image, const ui::PixelBox& area, Rgb colour);
int DistinctColours(const Image& image);
// Saves the image as a PPM file named by AUTORUN_SCREENSHOTS (a prefix) and the name, where it is set.
void KeepScreenshot(const Image& image, std::string_view name);

// A point of a window's client area, in pixels.
struct Spot {
    int x = 0;
    int y = 0;
};
ui::PixelBox PixelsOf(const ui::Label& label);
Spot CentreOf(const ui::Label& label);

// A pixel of an icon or a pointer drawn at its own size, over any background.
enum class Shade { Clear, White, Black, Other };

// An icon, or the pointer's shape where it rests.
struct Glyph {
    enum class Kind { Arrow, Drawn, Other }; // the desktop's arrow, a picture of the program's own, else
    Kind kind = Kind::Other;
    int width = 0;
    int height = 0;
    Spot hotSpot;
    std::function<Shade(int x, int y)> shade;
};

// A window's frame as the desktop shows it.
struct Frame {
    std::string title;
    int clientWidth = 0;
    int clientHeight = 0;
    Spot topLeft; // of the outer frame, on the screen
    bool sizable = false;
    bool minimisable = false;
    bool maximisable = false;
    bool closable = false;
    bool dialog = false;
    std::string owner; // the owning window's name, or empty
};

// A message box the program showed, answered with OK.
struct Box {
    std::string title;
    std::string text;
    bool icon = false;
    bool okOnly = false;
    std::string owner; // the owning window's name
};

// Ways round a window's modality: input sent to the window itself, and a screen reader's action.
enum class Route { ScreenReader, Tab, Enter, DoubleClick, Pointer };

// One desktop's program, run on a disc of its own: each method converts to and from the toolkit.
// Windows are named by their models; points are client pixels at the design's density.
class Driver {
public:
    virtual ~Driver() = default;

    // The disc the program runs from, a fresh folder.
    virtual const test::TestDisc& Disc() const = 0;
    // A file on the disc as the program's requests and messages name it.
    virtual std::string PathText(const std::filesystem::path& relative) const = 0;

    // Runs the program; script acts once the launcher is shown, then the launcher is closed.
    // Returns the program's exit status.
    virtual int Run(const std::function<void(ui::Window& launcher)>& script) = 0;
    // Does trigger, which opens the named modal window, and runs action inside it; the window is
    // closed after action unless action closed it. Returns whether action ran.
    virtual bool IntoModal(const std::function<void()>& trigger, std::string_view name,
                           const std::function<void(ui::Window&)>& action) = 0;
    // The same, opened by a double-click at a point of owner; the button is let go over owner before
    // action, as the user's hand lets go.
    virtual bool DoubleClickIntoModal(const ui::Window& owner, Spot at, std::string_view name,
                                      const std::function<void(ui::Window&)>& action) = 0;
    // The shown window of that name, or null.
    virtual ui::Window* Find(std::string_view name) = 0;
    virtual Frame FrameOf(const ui::Window& window) = 0;
    virtual Glyph IconOf(const ui::Window& window) = 0; // at 32 pixels
    // Whether the desktop keeps the user's input from the window, and whether it is the active one.
    virtual bool Blocked(const ui::Window& window) = 0;
    virtual bool Active(const ui::Window& window) = 0;

    // The pointer and keys as the user works them; each returns once the window has handled them.
    virtual void MoveTo(const ui::Window& window, Spot at) = 0;
    virtual void Click(const ui::Window& window, Spot at) = 0;
    virtual void DoubleClick(const ui::Window& window, Spot at) = 0;
    virtual void Type(const ui::Window& window, std::initializer_list<Key> keys, Modifiers held) = 0;
    void Type(const ui::Window& window, std::initializer_list<Key> keys) { Type(window, keys, {}); }
    // Keys the program has no use for: a letter and a function key.
    virtual void TypeUnused(const ui::Window& window) = 0;
    // Whether the window has the keyboard.
    virtual bool HasKeyboard(const ui::Window& window) = 0;
    // The pointer out of the window, over its frame.
    virtual void Leave(const ui::Window& window) = 0;
    virtual Glyph PointerAt(const ui::Window& window, Spot at) = 0;
    // Goes round the desktop's modality to the window, at a point or on the label at that position.
    // Returns how many windows of that name it opened (each closed at once).
    virtual int Bypass(const ui::Window& window, Route route, Spot at, std::size_t label,
                       std::string_view opened) = 0;

    // What the window shows once it has drawn what it marked for drawing.
    virtual Image Painted(const ui::Window& window) = 0;
    // What the window draws now from its model, all of it afresh.
    virtual Image Rendered(const ui::Window& window) = 0;
    // What the screen shows of the window's client area.
    virtual Image OnScreen(const ui::Window& window) = 0;
    // Runs the desktop's events until done() holds or a generous time passes; returns done().
    virtual bool WaitFor(const std::function<bool()>& done) = 0;

    virtual Image Picture(ui::Resource picture) = 0;
    // Whether the program has decoded the picture since it started.
    virtual bool Decoded(ui::Resource picture) = 0;
    // The dots per inch this run's windows draw at: 96 is the design's own.
    virtual int Density() = 0;
    // The desktop's theme set to these colours, high contrast included, and its windows told as the
    // desktop tells them; none gives the desktop's own back.
    virtual void SetTheme(const std::optional<ui::DesktopColours>& theme) = 0;
    // The width of text in the documentation window's heading font.
    virtual int HeadingWidth(std::string_view text) = 0;

    // What the program asked the desktop to open, in order, as PathText names them.
    virtual std::vector<std::string> Opened() = 0;
    bool WaitForOpened(std::size_t count)
    {
        return WaitFor([&] { return Opened().size() >= count; });
    }
    // How many windows showing the disc's folder the program has asked for.
    virtual std::size_t FoldersShown() = 0;
    bool WaitForFoldersShown(std::size_t count)
    {
        return WaitFor([&] { return FoldersShown() >= count; });
    }
    // Whether the desktop's opener is handed a file that is gone (xdg-open is; the shell refuses).
    virtual bool OpenerGetsMissingFiles() const = 0;
    virtual std::vector<Box> Boxes() = 0;
    bool WaitForBoxes(std::size_t count)
    {
        return WaitFor([&] { return Boxes().size() >= count; });
    }
    // The error number and reason the desktop gives for a program that is not there.
    virtual std::pair<int, std::string> NotFound(bool folderThere) = 0;

    // A screen reader's view. Labels are named by their position in Labels().
    // Starts hearing what windows announce; false where no screen reader could listen.
    virtual bool Listen() = 0;
    virtual Reading Read(const ui::Window& window, std::size_t label) = 0;
    // The window object itself: its name, and its states.
    virtual Reading ReadWindow(const ui::Window& window) = 0;
    // Where the reader is told the label lies, in client pixels.
    virtual ui::PixelBox Where(const ui::Window& window, std::size_t label) = 0;
    // The label the reader finds at a point, and the one it is told has the focus.
    virtual std::optional<std::size_t> ReaderAt(const ui::Window& window, Spot at) = 0;
    virtual std::optional<std::size_t> ReaderFocus(const ui::Window& window) = 0;
    // The reader's default action on the label; whether the label took it.
    virtual bool Press(const ui::Window& window, std::size_t label) = 0;
    // What the window announced of its labels since the last call, in order.
    virtual std::vector<Announcement> Announced(const ui::Window& window) = 0;
};

// The driver for this suite's desktop, which each suite defines: the shared cases are compiled into
// every suite and run on what it returns.
std::unique_ptr<Driver> MakeDriver();

} // namespace autorun::conformance
