#include "platform/gtk/FormView.h"

#include "platform/gtk/Accessibility.h"
#include "platform/gtk/Pictures.h"
#include "platform/gtk/Theme.h"
#include "ui/Caption.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

namespace autorun::gtk {
namespace {

constexpr const char* kViewKey = "autorun-form-view";

std::vector<FormView*>& Views()
{
    static std::vector<FormView*> views;
    return views;
}

// The designs name Windows fonts; where the desktop lacks one, the core's substitute. The families are
// listed once: each lookup would otherwise go through fontconfig again.
std::string Family(const std::string& name)
{
    static const std::set<std::string> families = [] {
        std::set<std::string> names;
        PangoFontFamily** list = nullptr;
        int count = 0;
        pango_font_map_list_families(pango_cairo_font_map_get_default(), &list, &count);
        for (int i = 0; i < count; ++i)
            names.insert(pango_font_family_get_name(list[i]));
        g_free(list);
        return names;
    }();
    return families.contains(name) ? name : std::string(ui::SubstituteFont(name));
}

PangoFontDescription* ToPango(const ui::Font& font)
{
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, Family(font.name).c_str());
    // At the designs' density, whatever this screen's: cairo scales it with the window.
    pango_font_description_set_absolute_size(description, ui::FontPixels(font, ui::kDesignDpi) * PANGO_SCALE);
    pango_font_description_set_weight(description, static_cast<PangoWeight>(std::clamp(font.weight, 100, 1000)));
    pango_font_description_set_style(description, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return description;
}

std::optional<MouseButton> ModelButton(guint button)
{
    switch (button) {
    case GDK_BUTTON_PRIMARY:
        return MouseButton::Left;
    case GDK_BUTTON_SECONDARY:
        return MouseButton::Right;
    case GDK_BUTTON_MIDDLE:
        return MouseButton::Middle;
    default:
        return std::nullopt;
    }
}

// The keys the Form answers, whatever is held with them: the Form decides which combinations are its own.
std::optional<Key> ModelKey(guint keyval)
{
    switch (keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return Key::Tab;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return Key::Left;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return Key::Right;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return Key::Up;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return Key::Down;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        return Key::Enter;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        return Key::Space;
    case GDK_KEY_Escape:
        return Key::Escape;
    default:
        return std::nullopt;
    }
}

ui::Point ModelPoint(double x, double y)
{
    return ui::PointerTwips(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)), ui::kDesignDpi);
}

// Where the desktop draws a focused link's focus: a dotted line around its text, a dot on every other
// pixel from the corner.
void DrawFocusFrame(cairo_t* cr, const GdkRectangle& around, ui::Colour colour)
{
    if (around.width <= 0 || around.height <= 0)
        return;
    SetSourceColour(cr, colour);
    const int right = around.x + around.width - 1;
    const int bottom = around.y + around.height - 1;
    auto dot = [&](int x, int y) {
        if ((x - around.x + y - around.y) % 2 == 0)
            cairo_rectangle(cr, x, y, 1, 1);
    };
    for (int x = around.x; x <= right; ++x) {
        dot(x, around.y);
        if (bottom != around.y)
            dot(x, bottom);
    }
    for (int y = around.y + 1; y < bottom; ++y) {
        dot(around.x, y);
        if (right != around.x)
            dot(right, y);
    }
    cairo_fill(cr);
}

// While a modal window holds GTK's grab, GTK hands it the input meant for the windows it blocks, still
// in their coordinates: none of it is this window's.
bool OwnEvent(GtkWidget* widget, GdkWindow* window)
{
    return window == gtk_widget_get_window(widget);
}

bool SecondPress()
{
    GdkEvent* next = gdk_event_peek();
    const bool doubled = next != nullptr && next->type == GDK_2BUTTON_PRESS;
    if (next != nullptr)
        gdk_event_free(next);
    return doubled;
}

GdkRectangle Intersection(const GdkRectangle& a, const GdkRectangle& b)
{
    GdkRectangle both{0, 0, 0, 0};
    gdk_rectangle_intersect(&a, &b, &both);
    return both;
}

} // namespace

FormView::FormView(Form& form, FormView* owner)
    : form_(form), owner_(owner), window_(GTK_WINDOW(NewFormWindow(*this)))
{
    Views().push_back(this);
    GtkWidget* widget = GTK_WIDGET(window_);
    g_object_set_data(G_OBJECT(window_), kViewKey, this);
    const ui::Window& window = form.Window();
    const ui::PixelBox client{0, 0, ui::ToPixels(window.Client().width), ui::ToPixels(window.Client().height)};
    gtk_widget_set_size_request(widget, client.Width(), client.Height());
    gtk_window_set_resizable(window_, FALSE);
    gtk_widget_set_app_paintable(widget, TRUE);
    gtk_widget_set_can_focus(widget, TRUE);
    gtk_widget_add_events(widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                      GDK_KEY_PRESS_MASK | GDK_FOCUS_CHANGE_MASK | GDK_LEAVE_NOTIFY_MASK);
    if (window.FrameStyle() == ui::Frame::FixedDialog)
        gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_DIALOG);
    if (owner != nullptr) {
        gtk_window_set_transient_for(window_, owner->Window());
        gtk_window_set_destroy_with_parent(window_, TRUE);
    }
    if (GList* icons = WindowIcons(window.Icon())) {
        gtk_window_set_icon_list(window_, icons);
        g_list_free_full(icons, g_object_unref);
    }
    g_signal_connect(widget, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(widget, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(widget, "button-press-event", G_CALLBACK(OnButton), this);
    g_signal_connect(widget, "button-release-event", G_CALLBACK(OnButton), this);
    g_signal_connect(widget, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(widget, "focus-in-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(widget, "focus-out-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(widget, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(widget, "map", G_CALLBACK(OnMap), this);
    g_signal_connect(widget, "unmap", G_CALLBACK(OnUnmap), this);
    g_signal_connect(widget, "realize", G_CALLBACK(OnRealize), this);
    g_signal_connect(widget, "notify::scale-factor", G_CALLBACK(OnScale), this);
    g_signal_connect(widget, "style-updated", G_CALLBACK(OnStyleUpdated), this);

    form.Window().SetDpi(ui::kDesignDpi * gtk_widget_get_scale_factor(widget));
    form.Window().SetColours(ThemeColours(widget));
    static const bool listening = [] {
        DesktopContrast::Instance().OnChange([] {
            for (FormView* view : Views())
                view->FitToTheme();
        });
        return true;
    }();
    (void)listening;
    // Decoded now, before the window maps, so that its first paint only draws.
    FitToDensity();
    // Everything so far is drawn from scratch.
    form.Window().TakeChanges();
    gtk_window_set_title(window_, window.Title().c_str());
    gtk_window_move(window_, ui::ToPixels(window.Position().x), ui::ToPixels(window.Position().y));
}

FormView::~FormView()
{
    std::erase(Views(), this);
    Forget(*this);
    g_signal_handlers_disconnect_by_data(window_, this);
    g_object_set_data(G_OBJECT(window_), kViewKey, nullptr);
    gtk_widget_destroy(GTK_WIDGET(window_));
    if (hand_ != nullptr)
        g_object_unref(hand_);
}

FormView* FormView::Of(GtkWidget* widget)
{
    return widget == nullptr ? nullptr : static_cast<FormView*>(g_object_get_data(G_OBJECT(widget), kViewKey));
}

const std::vector<FormView*>& FormView::All()
{
    return Views();
}

bool FormView::Alive(const FormView* view)
{
    return std::find(Views().begin(), Views().end(), view) != Views().end() && view->form_.Loaded();
}

void FormView::Show()
{
    closed_ = false;
    gtk_widget_show(GTK_WIDGET(window_));
    // The keyboard goes to the window shown.
    gtk_window_present(window_);
}

bool FormView::Visible() const
{
    return gtk_widget_get_visible(GTK_WIDGET(window_));
}

void FormView::Close()
{
    if (closed_)
        return;
    closed_ = true;
    gtk_widget_hide(GTK_WIDGET(window_));
    if (Closed)
        Closed();
}

void FormView::Sync()
{
    ui::Window& window = form_.Window();
    const ui::WindowChanges changes = window.TakeChanges();
    GtkWidget* widget = GTK_WIDGET(window_);
    if (changes.density)
        FitToDensity();
    if (changes.density || changes.colours)
        gtk_widget_queue_draw(widget);
    // The labels the focus left and reached are among them.
    for (const ui::LabelChange& change : changes.labels) {
        const ui::PixelBox box = ui::ToPixels(window.Labels()[change.label].Bounds());
        gtk_widget_queue_draw_area(widget, box.left, box.top, box.Width(), box.Height());
    }
    if (changes.title)
        gtk_window_set_title(window_, window.Title().c_str());
    if (changes.position)
        gtk_window_move(window_, ui::ToPixels(window.Position().x), ui::ToPixels(window.Position().y));
    Announce(*this, window.Announcements(changes));
    if (changes.close)
        Close();
}

void FormView::FitToScreen()
{
    form_.Window().SetDpi(ui::kDesignDpi * gtk_widget_get_scale_factor(GTK_WIDGET(window_)));
    Sync();
}

void FormView::FitToTheme()
{
    form_.Window().SetColours(ThemeColours(GTK_WIDGET(window_)));
    Sync();
}

void FormView::FitToDensity()
{
    const ui::Window& window = form_.Window();
    const int dpi = window.Dpi();
    Picture(ui::PictureFor(window.Picture(), dpi).picture);
    for (const ui::Image& image : window.Images())
        Picture(ui::PictureFor(image.picture, dpi).picture);
    if (hand_ != nullptr)
        g_object_unref(hand_);
    hand_ = PointerCursor(gtk_widget_get_display(GTK_WIDGET(window_)), ui::Resource::HandPointer,
                          dpi / ui::kDesignDpi);
    if (pointer_ == ui::Pointer::Hand) {
        pointer_.reset();
        if (GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_)))
            gdk_window_set_cursor(gdk, hand_);
        pointer_ = ui::Pointer::Hand;
    }
}

void FormView::ShowPointer(ui::Point p)
{
    const ui::Pointer pointer = form_.PointerAt(p);
    if (pointer == pointer_)
        return;
    pointer_ = pointer;
    if (GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_)))
        gdk_window_set_cursor(gdk, pointer == ui::Pointer::Hand ? hand_ : nullptr);
}

void FormView::DrawPicture(cairo_t* cr, ui::Resource resource, int x, int y) const
{
    const ui::ScaledPicture scaled = ui::PictureFor(resource, form_.Window().Dpi());
    cairo_surface_t* picture = Picture(scaled.picture);
    if (picture == nullptr)
        return;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    // Exact at its own density; filtered where the screen's lies between.
    cairo_scale(cr, 1.0 / scaled.density, 1.0 / scaled.density);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

void FormView::Draw(cairo_t* cr)
{
    const ui::Window& window = form_.Window();
    const ui::Backdrop backdrop = window.Backdrop();
    SetSourceColour(cr, backdrop.colour);
    cairo_paint(cr);
    if (backdrop.picture)
        DrawPicture(cr, window.Picture(), 0, 0);
    for (const ui::Image& image : window.Images()) {
        const ui::PixelBox box = ui::ToPixels(image.rect);
        DrawPicture(cr, image.picture, box.left, box.top);
    }
    for (const ui::Label& label : window.Labels()) {
        if (!label.Visible())
            continue;
        const ui::LabelLook look = window.Look(label);
        const GdkRectangle text = DrawLabel(cr, label, look);
        if (look.focusFrame)
            DrawFocusFrame(cr, text, *look.focusFrame);
    }
}

GdkRectangle FormView::DrawLabel(cairo_t* cr, const ui::Label& label, const ui::LabelLook& look) const
{
    const ui::PixelBox pixels = ui::ToPixels(label.Bounds());
    const GdkRectangle box{pixels.left, pixels.top, pixels.Width(), pixels.Height()};
    const ui::CaptionText caption = ui::ParseCaption(label.Caption());

    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_text(layout, caption.text.data(), static_cast<int>(caption.text.size()));
    PangoFontDescription* font = ToPango(label.TextFont());
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    PangoAttrList* attributes = pango_attr_list_new();
    auto underline = [&](std::size_t start, std::size_t length) {
        PangoAttribute* attribute = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        attribute->start_index = static_cast<guint>(start);
        attribute->end_index = static_cast<guint>(start + length);
        pango_attr_list_insert(attributes, attribute);
    };
    if (label.TextFont().underline)
        underline(0, caption.text.size());
    for (const ui::CaptionRun& run : caption.underlined)
        underline(run.offset, run.length);
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    pango_layout_set_width(layout, box.width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);

    // The lines that begin inside the label: the text's box, for the focus frame.
    GdkRectangle text{0, 0, 0, 0};
    PangoLayoutIter* lines = pango_layout_get_iter(layout);
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(lines, nullptr, &logical);
        pango_extents_to_pixels(&logical, nullptr);
        if (logical.y >= box.height)
            break;
        const GdkRectangle line{logical.x, logical.y, logical.width, logical.height};
        if (text.width == 0)
            text = line;
        else
            gdk_rectangle_union(&text, &line, &text);
    } while (pango_layout_iter_next_line(lines));
    pango_layout_iter_free(lines);

    cairo_save(cr);
    cairo_rectangle(cr, box.x, box.y, box.width, box.height);
    cairo_clip(cr);
    if (look.embossed) {
        SetSourceColour(cr, *look.embossed);
        cairo_move_to(cr, box.x + 1, box.y + 1);
        pango_cairo_show_layout(cr, layout);
    }
    SetSourceColour(cr, look.colour);
    cairo_move_to(cr, box.x, box.y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
    // One pixel of room around the text, inside the label.
    const GdkRectangle around{box.x + text.x - 1, box.y + text.y, text.width + 3, text.height + 1};
    return Intersection(around, box);
}

gboolean FormView::OnDraw(GtkWidget*, cairo_t* cr, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (!view->form_.Loaded())
        return TRUE;
    view->FitToScreen();
    view->Draw(cr);
    return TRUE;
}

gboolean FormView::OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (!OwnEvent(widget, event->window))
        return TRUE;
    if (!view->form_.Loaded())
        return FALSE;
    const ui::Point p = ModelPoint(event->x, event->y);
    const bool held = (event->state & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK)) != 0;
    view->form_.MouseMove(p, held);
    view->Sync();
    view->ShowPointer(p);
    return TRUE;
}

gboolean FormView::OnButton(GtkWidget* widget, GdkEventButton* event, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (!OwnEvent(widget, event->window))
        return TRUE;
    const std::optional<MouseButton> button = ModelButton(event->button);
    if (!button || !view->form_.Loaded())
        return FALSE;
    const ui::Point p = ModelPoint(event->x, event->y);
    switch (event->type) {
    case GDK_BUTTON_PRESS:
        // GDK reports the second press of a double-click as a press of its own, followed at once by
        // the double press that stands for it.
        if (SecondPress())
            return TRUE;
        view->form_.MouseDown(p, *button);
        break;
    case GDK_2BUTTON_PRESS:
        view->form_.DoubleClick(p, *button);
        break;
    case GDK_BUTTON_RELEASE:
        view->form_.MouseUp(p, *button);
        break;
    default:
        return FALSE;
    }
    // Gone once a handler closed the window and the desktop let the view go.
    if (!Alive(view))
        return TRUE;
    view->Sync();
    view->ShowPointer(p);
    return TRUE;
}

gboolean FormView::OnKey(GtkWidget* widget, GdkEventKey* event, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (!OwnEvent(widget, event->window))
        return TRUE;
    const std::optional<Key> key = ModelKey(event->keyval);
    if (!key || !view->form_.Loaded())
        return FALSE;
    const Modifiers modifiers{.shift = event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK) != 0,
                              .control = (event->state & GDK_CONTROL_MASK) != 0,
                              .alt = (event->state & GDK_MOD1_MASK) != 0,
                              .meta = (event->state & (GDK_SUPER_MASK | GDK_META_MASK | GDK_MOD4_MASK)) != 0};
    // Enter may show a modal window and return only once it is closed.
    const bool used = view->form_.KeyDown(*key, modifiers);
    if (Alive(view))
        view->Sync();
    return used;
}

gboolean FormView::OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (!view->form_.Loaded())
        return FALSE;
    view->form_.Window().SetKeyboard(event->in != 0);
    if (event->in == 0) {
        view->Sync();
        return FALSE;
    }
    // GTK announces the window itself once this returns; the focused label is announced after it.
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* focused = static_cast<FormView*>(data);
            if (Alive(focused))
                focused->Sync();
            return G_SOURCE_REMOVE;
        },
        view, nullptr);
    return FALSE;
}

gboolean FormView::OnDelete(GtkWidget*, GdkEvent*, gpointer self)
{
    static_cast<FormView*>(self)->Close();
    return TRUE;
}

void FormView::OnMap(GtkWidget*, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (view->form_.Loaded())
        view->form_.Window().SetShown(true);
}

void FormView::OnUnmap(GtkWidget*, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (view->form_.Loaded())
        view->form_.Window().SetShown(false);
}

void FormView::OnRealize(GtkWidget* widget, gpointer)
{
    // Title and close box only: the window keeps its designed size.
    GdkWindow* gdk = gtk_widget_get_window(widget);
    gdk_window_set_functions(gdk, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
    gdk_window_set_decorations(gdk, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
}

void FormView::OnScale(GObject*, GParamSpec*, gpointer self)
{
    // A window moved to a screen of another density draws from other pictures.
    static_cast<FormView*>(self)->FitToScreen();
}

void FormView::OnStyleUpdated(GtkWidget*, gpointer self)
{
    auto* view = static_cast<FormView*>(self);
    if (view->form_.Loaded())
        view->FitToTheme();
}

} // namespace autorun::gtk
