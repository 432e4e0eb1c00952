// The toolkit-neutral model of one window: its frame, picture, text labels and
// images, built from a declarative design and changed only by the program's logic.
// Front ends draw it and feed pointer events back; the model knows no toolkit.
#pragma once

#include "ui/Appearance.h"
#include "ui/Geometry.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace autorun::ui {

// One row of a window's design table: a text label as it is at creation.
struct LabelDesign {
    std::string_view control; // control array name, e.g. "lblCases"
    int index = 0;            // element index; -1 for a single control
    Rect rect;
    std::string_view caption;
    Colour foreColour = kButtonText;
    Font font;
    bool enabled = true;
    bool visible = true;
    Pointer pointer = Pointer::Arrow;
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

// A windowless text element. Every assignment bumps its revision, whether or not
// the value changed, so a front end repaints exactly what the logic touched.
class Label {
public:
    explicit Label(const LabelDesign& design);

    const std::string& Control() const { return control_; }
    int Index() const { return index_; }
    const Rect& Bounds() const { return rect_; }
    const Font& TextFont() const { return font_; }
    Pointer PointerShape() const { return pointer_; }

    const std::string& Caption() const { return caption_; }
    Colour ForeColour() const { return foreColour_; }
    bool Enabled() const { return enabled_; }
    bool Visible() const { return visible_; }

    void SetCaption(std::string caption);
    void SetForeColour(Colour colour);
    void SetEnabled(bool enabled);
    void SetVisible(bool visible);

    std::uint64_t Revision() const { return revision_; }

private:
    std::string control_;
    int index_;
    Rect rect_;
    Font font_;
    Pointer pointer_;
    std::string caption_;
    Colour foreColour_;
    bool enabled_;
    bool visible_;
    std::uint64_t revision_ = 0;
};

struct Image {
    std::string name;
    Rect rect;
    Resource picture;
};

// What lies under a point: a label, an image, or the window's bare surface.
struct Hit {
    enum class Kind { Surface, Label, Image };
    Kind kind = Kind::Surface;
    std::size_t item = 0; // position in Labels() or Images()

    bool operator==(const Hit&) const = default;
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

    // The element of a control array (or the single control with index -1).
    // Asking for a control the design lacks is a programming error.
    Label& Control(std::string_view control, int index = -1);
    const Label& Control(std::string_view control, int index = -1) const;

    // Shown labels take the pointer over their whole rectangle, the top-most (last
    // designed) first; hidden ones take nothing; images next; the bare surface elsewhere.
    Hit HitTest(Point p) const;
    Pointer PointerAt(Point p) const;

    // Bumped by every change to the window or any of its labels.
    std::uint64_t Revision() const;

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
    std::uint64_t revision_ = 0;
};

} // namespace autorun::ui
