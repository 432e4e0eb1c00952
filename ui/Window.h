// The toolkit-neutral model of one window: its frame, picture, text labels and
// images, built from a declarative design and changed only by the program's logic.
// Front ends draw it, feed pointer and key events back, and repaint what it reports changed;
// the model knows no toolkit.
#pragma once

#include "ui/Appearance.h"
#include "ui/Geometry.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::ui {

// A control of a design, named as the design names it. Each design declares its controls once as
// constants, so a misspelt control does not compile.
struct ControlId {
    std::string_view name;

    constexpr bool operator==(const ControlId& other) const { return name == other.name; }
};

// What a label is to assistive technology; only buttons and links act and take the keyboard focus.
enum class Role { StaticText, PushButton, Link };

// One row of a window's design table: a text label as it is at creation.
struct LabelDesign {
    ControlId control;        // control array, e.g. lblCases
    int index = 0;            // element index; -1 for a single control
    Rect rect;
    std::string_view caption;
    Colour foreColour = kButtonText;
    Font font;
    bool enabled = true;
    bool visible = true;
    Pointer pointer = Pointer::Arrow;
    Role role = Role::StaticText;
};

struct ImageDesign {
    std::string_view name;
    Rect rect;
    Resource picture = Resource::None;
};

struct WindowDesign {
    std::string_view name;
    std::string_view title;
    Frame frame = Frame::FixedSingle;
    Size client;
    Colour backColour = 0x00FFFFFF;
    Resource picture = Resource::None; // painted at the top-left, unscaled
    Resource icon = Resource::None;
    std::span<const ImageDesign> images;
    std::span<const LabelDesign> labels;
};

// A label the logic touched since its front end last asked: it is repainted, and screen readers are
// told what of it reads differently. A change of colour alone is only repainted.
struct LabelChange {
    std::size_t label = 0;   // position in Labels()
    bool caption = false;    // its text is different
    bool visibility = false; // it was shown or hidden
    bool enabled = false;    // it was greyed or made available
    bool focus = false;      // it took or lost the keyboard focus

    bool operator==(const LabelChange&) const = default;
};

// A windowless text element. Every assignment marks it changed, whether or not the value
// changed, so a front end repaints exactly what the logic touched.
class Label {
public:
    explicit Label(const LabelDesign& design);

    ControlId Control() const { return control_; }
    int Index() const { return index_; }
    const Rect& Bounds() const { return rect_; }
    const Font& TextFont() const { return font_; }
    Pointer PointerShape() const { return pointer_; }
    Role AccessibleRole() const { return role_; }
    // A shown, enabled button or link: it can be clicked and take the keyboard focus.
    bool Acts() const { return role_ != Role::StaticText && enabled_ && visible_; }

    const std::string& Caption() const { return caption_; }
    Colour ForeColour() const { return foreColour_; }
    bool Enabled() const { return enabled_; }
    bool Visible() const { return visible_; }

    void SetCaption(std::string caption);
    void SetForeColour(Colour colour);
    void SetEnabled(bool enabled);
    void SetVisible(bool visible);

private:
    friend class Window;

    ControlId control_;
    int index_;
    Rect rect_;
    Font font_;
    Pointer pointer_;
    Role role_;
    std::string caption_;
    Colour foreColour_;
    Colour designColour_;
    bool enabled_;
    bool visible_;
    // Touched since the last TakeChanges, and what of it differs.
    bool changed_ = false;
    LabelChange change_;
};

struct Image {
    std::string name;
    Rect rect;
    Resource picture;
};

// How a front end draws a label, decided here once for every desktop, in the desktop's colours.
struct LabelLook {
    Colour colour = 0; // of the text
    // Greyed as Windows draws disabled text: a copy in this colour one pixel down and right first, the
    // text over it.
    std::optional<Colour> embossed;
    // The dotted focus frame round the text, in this colour: only a link shows it. A button shows the
    // keyboard's focus as the pointer's highlight.
    std::optional<Colour> focusFrame;

    bool operator==(const LabelLook&) const = default;
};

// How a front end draws a window's surface: this colour, and over it the window's picture unless the
// desktop's high contrast leaves it out. Images, such as a document's icon, stay.
struct Backdrop {
    Colour colour = 0;
    bool picture = true;

    bool operator==(const Backdrop&) const = default;
};

// What lies under a point: a label, an image, or the window's bare surface.
struct Hit {
    enum class Kind { Surface, Label, Image };
    Kind kind = Kind::Surface;
    std::size_t item = 0; // position in Labels() or Images()

    bool operator==(const Hit&) const = default;
};

// What changed in a window since its front end last asked.
struct WindowChanges {
    std::vector<LabelChange> labels; // in design order
    bool title = false;
    bool position = false;
    bool focus = false;    // the keyboard focus moved among the labels
    bool keyboard = false; // the window took or lost the keyboard
    bool density = false;  // the dots per inch changed: lay out and repaint everything
    bool colours = false;  // the desktop's colours changed: repaint everything
    bool close = false;    // the logic asked the window to close

    bool Any() const
    {
        return !labels.empty() || title || position || focus || keyboard || density || colours || close;
    }
};

// One thing screen readers are told, of a label or (with no label) of the window itself. Each desktop
// sends each as its own event, in the order given.
struct Announcement {
    enum class Kind {
        Focus, // it has the keyboard focus now
        Show,  // it appeared
        Hide,  // it disappeared
        Name,  // it reads differently
        State, // it was greyed or made available
    };
    Kind kind;
    std::optional<std::size_t> label; // position in Labels(); none for the window

    bool operator==(const Announcement&) const = default;
};

class Window {
public:
    explicit Window(const WindowDesign& design);

    const std::string& Name() const { return name_; }
    Frame FrameStyle() const { return frame_; }
    Size Client() const { return client_; }
    Colour BackColour() const { return backColour_; }
    Resource Picture() const { return picture_; }
    Resource Icon() const { return icon_; }

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title);

    // Outer left and top edge on the screen, in twips; set by the logic, applied by the front end.
    Point Position() const { return position_; }
    void SetPosition(Point position);

    std::vector<Label>& Labels() { return labels_; }
    const std::vector<Label>& Labels() const { return labels_; }
    const std::vector<Image>& Images() const { return images_; }
    // Where a label of this window stands in Labels().
    std::size_t PositionOf(const Label& label) const { return static_cast<std::size_t>(&label - labels_.data()); }

    // The element of a control array (or the single control with index -1).
    // Asking for a control the design lacks is a programming error.
    Label& Control(ControlId control, int index = -1);
    const Label& Control(ControlId control, int index = -1) const;

    // Shown labels take the pointer over their whole rectangle, the top-most (last
    // designed) first; hidden ones take nothing; images next; the bare surface elsewhere.
    Hit HitTest(Point p) const;
    Pointer PointerAt(Point p) const;

    // In high contrast every text takes the desktop's colour for what it is, a button the logic
    // recoloured the highlight, turned black or white where that would not read. Otherwise the design's colours, except that text in a desktop colour
    // over a fixed background, or the reverse, that would not read turns black or white; greyed text,
    // as the guidelines allow, keeps the desktop's greyed look.
    LabelLook Look(const Label& label) const;
    ui::Backdrop Backdrop() const;

    // The desktop's theme, which the front end reports at the start and whenever it changes.
    const DesktopColours& Colours() const { return colours_; }
    void SetColours(const DesktopColours& colours);

    // The label with the keyboard focus, by position in Labels(); none until a key moves it there.
    // KeyboardFocus is that label only while the window has the keyboard: the one screen readers
    // are told has the focus.
    std::optional<std::size_t> Focus() const { return focus_; }
    std::optional<std::size_t> KeyboardFocus() const { return keyboard_ ? focus_ : std::nullopt; }
    void SetFocus(std::optional<std::size_t> label);

    // What screen readers are told of these changes, in order: of each label in design order, what
    // reads differently (name, shown or hidden, state); then the label with the focus, where the
    // focus moved or the window got the keyboard back, which comes after the desktop's own news of
    // the window.
    std::vector<Announcement> Announcements(const WindowChanges& changes) const;
    // What a screen reader that begins to listen late is told of the window with the keyboard: the
    // window, then its focused label.
    std::vector<Announcement> Greeting() const;

    // Whether the window is on the screen, and whether it has the keyboard; front ends report both.
    // A label reads as focused to screen readers only while its window has the keyboard.
    bool Shown() const { return shown_; }
    void SetShown(bool shown);
    bool HasKeyboard() const { return keyboard_; }
    void SetKeyboard(bool keyboard);

    // Dots per inch of the screen the window is drawn on, which chooses its pictures; front ends set it.
    int Dpi() const { return dpi_; }
    void SetDpi(int dpi);

    void RequestClose();

    // Everything changed since the last call, which starts afresh.
    WindowChanges TakeChanges();

private:
    std::string name_;
    std::string title_;
    Frame frame_;
    Size client_;
    Colour backColour_;
    Resource picture_;
    Resource icon_;
    Point position_;
    std::vector<Image> images_;
    std::vector<Label> labels_;
    std::optional<std::size_t> focus_;
    bool shown_ = false;
    bool keyboard_ = false;
    int dpi_ = kDesignDpi;
    DesktopColours colours_;
    WindowChanges changes_;
};

} // namespace autorun::ui
