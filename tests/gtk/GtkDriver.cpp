// The shared window cases on the GTK 3 desktop: the whole program from a disc of its own, input as GDK
// delivers the X server's, what the window draws and what the X server shows, message dialogs
// answered as they show, the xdg-open stand-in, and ATK for what a screen reader meets.
#include "app/Program.h"
#include "platform/gtk/FormView.h"
#include "platform/gtk/GtkDesktop.h"
#include "platform/gtk/Pictures.h"
#include "platform/gtk/Theme.h"
#include "tests/conformance/Conformance.h"
#include "tests/posix/LinuxDriver.h"

#include <gtest/gtest.h>

// After GoogleTest, whose names Xlib's macros (None, Status) would replace.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace autorun::gtk::test {
namespace {

using autorun::test::Normalised;
using conformance::Glyph;
using conformance::Shade;
using conformance::Spot;

// Generous bound for anything the tests wait on; a condition that holds ends the wait at once.
constexpr gint64 kWaitUs = 10'000'000;

// Runs what the main loop has ready, without waiting for more.
void Settle()
{
    gdk_display_sync(gdk_display_get_default());
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

bool WaitUntil(const std::function<bool()>& done, gint64 bound = kWaitUs)
{
    const gint64 end = g_get_monotonic_time() + bound;
    while (!done()) {
        if (g_get_monotonic_time() >= end)
            return false;
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(2000);
    }
    return true;
}

// Calls tick every ms milliseconds from the main loop while it returns true.
guint Every(guint ms, std::function<bool()> tick)
{
    using Tick = std::function<bool()>;
    return g_timeout_add_full(
        G_PRIORITY_DEFAULT, ms,
        [](gpointer data) -> gboolean { return (*static_cast<Tick*>(data))() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE; },
        new Tick(std::move(tick)), [](gpointer data) { delete static_cast<Tick*>(data); });
}

// Runs what a case does from inside the main loop, where an exception could not reach the test.
void Guarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
    }
}

bool Exists(const FormView* view)
{
    return std::ranges::find(FormView::All(), view) != FormView::All().end();
}

FormView* FindView(std::string_view name)
{
    for (FormView* view : FormView::All()) {
        if (view->Visible() && view->Model().Loaded() && view->Model().Window().Name() == name)
            return view;
    }
    return nullptr;
}

FormView& View(const ui::Window& window)
{
    for (FormView* view : FormView::All()) {
        if (view->Model().Loaded() && &view->Model().Window() == &window)
            return *view;
    }
    throw std::logic_error("no view shows the window " + window.Name());
}

GtkWidget* Widget(const ui::Window& window)
{
    return GTK_WIDGET(View(window).Window());
}

GdkWindow* Surface(const ui::Window& window)
{
    return gtk_widget_get_window(Widget(window));
}

// Where the client area's top-left lies on the screen.
Spot Origin(const ui::Window& window)
{
    Spot origin;
    gdk_window_get_origin(Surface(window), &origin.x, &origin.y);
    return origin;
}

// Runs after the window's frame clock has gone once through layout and paint: styles applied, what
// was marked for drawing drawn.
void NextFrame(GtkWidget* widget)
{
    GdkFrameClock* clock = gtk_widget_get_frame_clock(widget);
    if (clock == nullptr)
        return;
    bool painted = false;
    const gulong handler = g_signal_connect_swapped(clock, "after-paint", G_CALLBACK(+[](bool* done) { *done = true; }),
                                                    &painted);
    gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_LAYOUT);
    WaitUntil([&] { return painted; });
    g_signal_handler_disconnect(clock, handler);
    Settle();
}

conformance::Image ToImage(cairo_surface_t* surface)
{
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        throw std::logic_error("not an image surface");
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    conformance::Image image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(surface));
        for (int x = 0; x < width; ++x)
            image.pixels.push_back(row[x] & 0xFFFFFF);
    }
    return image;
}

conformance::Image ToImage(GdkPixbuf* pixbuf)
{
    if (pixbuf == nullptr)
        throw std::runtime_error("no pixels could be read from the X server");
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const guchar* data = gdk_pixbuf_read_pixels(pixbuf);
    conformance::Image image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const guchar* p = data + y * gdk_pixbuf_get_rowstride(pixbuf) + x * channels;
            image.pixels.push_back(conformance::MakeRgb(p[0], p[1], p[2]));
        }
    }
    g_object_unref(pixbuf);
    return image;
}

// A glyph of argb pixels, not premultiplied: 0xAARRGGBB.
Glyph ToGlyph(int width, int height, Spot hotSpot, std::vector<std::uint32_t> argb)
{
    return {Glyph::Kind::Drawn, width, height, hotSpot, [width, argb = std::move(argb)](int x, int y) {
                const std::uint32_t pixel = argb[static_cast<std::size_t>(y * width + x)];
                if (pixel >> 24 == 0)
                    return Shade::Clear;
                if (pixel >> 24 != 0xFF)
                    return Shade::Other;
                if ((pixel & 0xFFFFFF) == 0xFFFFFF)
                    return Shade::White;
                return (pixel & 0xFFFFFF) == 0 ? Shade::Black : Shade::Other;
            }};
}

// What the window manager is allowed to do with the window, from the hints GDK gives it.
struct WmFunctions {
    bool resize = true;
    bool minimise = true;
    bool maximise = true;
    bool close = true;
};

WmFunctions FunctionsOf(GdkWindow* window)
{
    Display* display = GDK_WINDOW_XDISPLAY(window);
    const Atom hints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    WmFunctions allowed;
    if (XGetWindowProperty(display, GDK_WINDOW_XID(window), hints, 0, 5, False, hints, &type, &format, &count,
                           &after, &data) == Success &&
        type == hints && format == 32 && count >= 2) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        // Motif: flags bit 0 says functions are given; function bit 0 turns the list into exceptions.
        if ((values[0] & 1) != 0) {
            const bool except = (values[1] & 1) != 0;
            const auto has = [&](unsigned long bit) { return ((values[1] & bit) != 0) != except; };
            allowed = {has(2), has(8), has(16), has(32)};
        }
    }
    if (data != nullptr)
        XFree(data);
    return allowed;
}

guint32 Now()
{
    return static_cast<guint32>(g_get_monotonic_time() / 1000);
}

GdkEvent* NewEvent(GdkEventType type, GdkWindow* window, bool keyboard)
{
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    GdkDevice* device = keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat);
    GdkEvent* event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(window));
    gdk_event_set_device(event, device);
    gdk_event_set_source_device(event, device);
    return event;
}

GdkEvent* PointerEvent(GdkEventType type, GdkWindow* window, Spot at, guint state = 0)
{
    GdkEvent* event = NewEvent(type, window, false);
    int left = 0;
    int top = 0;
    gdk_window_get_origin(window, &left, &top);
    switch (type) {
    case GDK_MOTION_NOTIFY:
        event->motion = {type, window, FALSE, Now(), double(at.x), double(at.y), nullptr, state, FALSE,
                         event->motion.device, double(left + at.x), double(top + at.y)};
        break;
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
        event->button = {type, window, FALSE, Now(), double(at.x), double(at.y), nullptr, state, 1,
                         event->button.device, double(left + at.x), double(top + at.y)};
        break;
    default:
        event->crossing = {type, window, FALSE, nullptr, Now(), double(at.x), double(at.y), double(left + at.x),
                           double(top + at.y), GDK_CROSSING_NORMAL, GDK_NOTIFY_NONLINEAR, FALSE, state};
        break;
    }
    return event;
}

GdkEvent* KeyEvent(GdkEventType type, GdkWindow* window, guint keyval, guint state)
{
    GdkEvent* event = NewEvent(type, window, true);
    event->key.time = Now();
    event->key.state = state;
    event->key.keyval = keyval;
    event->key.string = g_strdup("");
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_window_get_display(window)), keyval, &keys,
                                          &count) &&
        count > 0) {
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        event->key.group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    return event;
}

// As the X server's events reach GTK: through its main dispatch, which keeps a modal window's input;
// or straight to a widget, round that.
void Deliver(GdkEvent* event, GtkWidget* straightTo = nullptr)
{
    if (straightTo != nullptr)
        gtk_widget_event(straightTo, event);
    else
        gtk_main_do_event(event);
    gdk_event_free(event);
    Settle();
}

// A double-click as GDK reports one, without letting the button go.
void DoubleClickHeld(GdkWindow* window, Spot at)
{
    for (const GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE, GDK_BUTTON_PRESS, GDK_2BUTTON_PRESS})
        Deliver(PointerEvent(type, window, at, type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0));
}

guint KeyvalOf(Key key, bool shift)
{
    switch (key) {
    case Key::Tab:
        // As X delivers Shift+Tab.
        return shift ? GDK_KEY_ISO_Left_Tab : GDK_KEY_Tab;
    case Key::Left:
        return GDK_KEY_Left;
    case Key::Right:
        return GDK_KEY_Right;
    case Key::Up:
        return GDK_KEY_Up;
    case Key::Down:
        return GDK_KEY_Down;
    case Key::Enter:
        return GDK_KEY_Return;
    case Key::Space:
        return GDK_KEY_space;
    case Key::Escape:
        return GDK_KEY_Escape;
    }
    return GDK_KEY_VoidSymbol;
}

void PressKey(GdkWindow* window, guint keyval, guint state = 0)
{
    Deliver(KeyEvent(GDK_KEY_PRESS, window, keyval, state));
    Deliver(KeyEvent(GDK_KEY_RELEASE, window, keyval, state));
}

// Runs action once a modal view of the named window shows, then closes that view unless action did.
class WhenModalShown {
public:
    WhenModalShown(std::string name, std::function<void(FormView&)> action)
        : timer_(Every(10, [this, name = std::move(name), action = std::move(action)] {
              FormView* view = FindView(name);
              if (view == nullptr || !gtk_window_get_modal(view->Window()))
                  return true;
              timer_ = 0;
              ran_ = true;
              Guarded([&] { action(*view); });
              if (Exists(view) && view->Visible())
                  view->Close();
              return false;
          }))
    {
    }
    ~WhenModalShown()
    {
        if (timer_ != 0)
            g_source_remove(timer_);
    }
    WhenModalShown(const WhenModalShown&) = delete;
    WhenModalShown& operator=(const WhenModalShown&) = delete;

    bool Ran() const { return ran_; }

private:
    guint timer_;
    bool ran_ = false;
};

// What windows tell assistive technology through ATK, recorded as a screen reader would hear it.
class AtkRecorder {
public:
    struct Event {
        AtkObject* parent;
        int index;
        std::string what;
    };

    AtkRecorder()
        : listeners_{atk_add_global_event_listener(&Record, "ATK:AtkObject:state-change"),
                     atk_add_global_event_listener(&Record, "ATK:AtkObject:property-change")}
    {
        sink_ = &events;
    }
    ~AtkRecorder()
    {
        for (const guint listener : listeners_)
            atk_remove_global_event_listener(listener);
        sink_ = nullptr;
    }
    AtkRecorder(const AtkRecorder&) = delete;
    AtkRecorder& operator=(const AtkRecorder&) = delete;

    std::vector<Event> events;

private:
    static gboolean Record(GSignalInvocationHint* hint, guint count, const GValue* values, gpointer)
    {
        if (sink_ == nullptr || count < 2 || !ATK_IS_OBJECT(g_value_get_object(&values[0])))
            return TRUE;
        auto* object = ATK_OBJECT(g_value_get_object(&values[0]));
        const std::string signal = g_signal_name(hint->signal_id);
        std::string what;
        if (signal == "state-change" && count >= 3 && g_value_get_string(&values[1]) != nullptr) {
            const std::string state = g_value_get_string(&values[1]);
            const bool set = g_value_get_boolean(&values[2]);
            if (state == "focused" && set)
                what = "focus";
            else if (state == "showing")
                what = set ? "show" : "hide";
            else if (state == "enabled")
                what = "state";
        } else if (signal == "property-change") {
            const auto* change = static_cast<const AtkPropertyValues*>(g_value_get_pointer(&values[1]));
            if (change != nullptr && g_strcmp0(change->property_name, "accessible-name") == 0)
                what = "name";
        }
        if (!what.empty())
            sink_->push_back({atk_object_get_parent(object), atk_object_get_index_in_parent(object), what});
        return TRUE;
    }

    static inline std::vector<Event>* sink_ = nullptr;
    guint listeners_[2];
};

// The desktop with the disc as the program's folder.
class DiscDesktop : public GtkDesktop {
public:
    explicit DiscDesktop(const autorun::test::TestDisc& disc) : folder_(disc.Root()) {}

protected:
    std::filesystem::path ExecutableFolder() override { return folder_; }

private:
    std::filesystem::path folder_;
};

class GtkDriver : public autorun::test::LinuxDriver {
public:
    GtkDriver() : boxTimer_(Every(10, [this] { return AnswerBoxes(); })) {}
    ~GtkDriver() override
    {
        g_source_remove(boxTimer_);
        SetTheme(std::nullopt);
    }

    int Run(const std::function<void(ui::Window&)>& script) override
    {
        bool ran = false;
        bool done = false;
        const gint64 end = g_get_monotonic_time() + kWaitUs;
        const guint start = Every(10, [&] {
            FormView* launcher = FindView("frmAutoRun");
            if (launcher == nullptr || !gtk_widget_get_mapped(GTK_WIDGET(launcher->Window()))) {
                if (g_get_monotonic_time() < end)
                    return true;
                ADD_FAILURE() << "the launcher is not shown";
                done = true;
                for (FormView* view : std::vector<FormView*>(FormView::All()))
                    view->Close();
                return false;
            }
            ran = true;
            done = true;
            NextFrame(GTK_WIDGET(launcher->Window()));
            Guarded([&] { script(launcher->Model().Window()); });
            if (Exists(launcher))
                launcher->Close();
            return false;
        });
        const int status = RunAutorun(desktop_);
        if (!done)
            g_source_remove(start);
        EXPECT_TRUE(ran);
        Settle();
        return status;
    }
    bool IntoModal(const std::function<void()>& trigger, std::string_view name,
                   const std::function<void(ui::Window&)>& action) override
    {
        WhenModalShown modal(std::string(name), [&](FormView& view) { action(view.Model().Window()); });
        trigger();
        // A screen reader's action may be done from the event loop, once the call has returned.
        return WaitUntil([&] { return modal.Ran(); }, 5'000'000);
    }
    bool DoubleClickIntoModal(const ui::Window& owner, Spot at, std::string_view name,
                              const std::function<void(ui::Window&)>& action) override
    {
        GdkWindow* window = Surface(owner);
        WhenModalShown modal(std::string(name), [&](FormView& view) {
            Deliver(PointerEvent(GDK_BUTTON_RELEASE, window, at, GDK_BUTTON1_MASK));
            action(view.Model().Window());
        });
        DoubleClickHeld(window, at);
        return WaitUntil([&] { return modal.Ran(); }, 5'000'000);
    }
    ui::Window* Find(std::string_view name) override
    {
        FormView* view = FindView(name);
        return view == nullptr ? nullptr : &view->Model().Window();
    }

    conformance::Frame FrameOf(const ui::Window& window) override
    {
        GtkWindow* gtk = View(window).Window();
        GdkWindow* surface = Surface(window);
        GdkRectangle outer;
        gdk_window_get_frame_extents(surface, &outer);
        const WmFunctions allowed = FunctionsOf(surface);
        GtkWindow* parent = gtk_window_get_transient_for(gtk);
        const FormView* owner = parent == nullptr ? nullptr : FormView::Of(GTK_WIDGET(parent));
        const char* title = gtk_window_get_title(gtk);
        return {title == nullptr ? "" : title,
                gtk_widget_get_allocated_width(GTK_WIDGET(gtk)),
                gtk_widget_get_allocated_height(GTK_WIDGET(gtk)),
                {outer.x, outer.y},
                gtk_window_get_resizable(gtk) && allowed.resize,
                allowed.minimise,
                allowed.maximise,
                gtk_window_get_deletable(gtk) && allowed.close,
                gtk_window_get_type_hint(gtk) == GDK_WINDOW_TYPE_HINT_DIALOG,
                owner == nullptr ? "" : owner->Model().Window().Name()};
    }
    Glyph IconOf(const ui::Window& window) override
    {
        GList* icons = gtk_window_get_icon_list(View(window).Window());
        const GList* icon = icons;
        while (icon != nullptr && gdk_pixbuf_get_width(GDK_PIXBUF(icon->data)) != 32)
            icon = icon->next;
        std::vector<std::uint32_t> argb;
        if (icon != nullptr) {
            // A copy with alpha in any case: 4 channels, 8 bits each.
            GdkPixbuf* pixbuf = gdk_pixbuf_add_alpha(GDK_PIXBUF(icon->data), FALSE, 0, 0, 0);
            for (int y = 0; y < 32 && gdk_pixbuf_get_height(pixbuf) == 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    const guchar* p = gdk_pixbuf_read_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf) + x * 4;
                    argb.push_back(std::uint32_t{p[3]} << 24 | conformance::MakeRgb(p[0], p[1], p[2]));
                }
            }
            g_object_unref(pixbuf);
        }
        g_list_free(icons);
        if (argb.empty())
            return {Glyph::Kind::Other};
        return ToGlyph(32, 32, {}, std::move(argb));
    }
    bool Blocked(const ui::Window& window) override
    {
        GtkWidget* grab = gtk_grab_get_current();
        return grab != nullptr && gtk_widget_get_toplevel(grab) != Widget(window);
    }
    bool Active(const ui::Window& window) override { return gtk_window_is_active(View(window).Window()); }

    void MoveTo(const ui::Window& window, Spot at) override
    {
        Deliver(PointerEvent(GDK_MOTION_NOTIFY, Surface(window), at));
    }
    void Click(const ui::Window& window, Spot at) override
    {
        GdkWindow* surface = Surface(window);
        Deliver(PointerEvent(GDK_BUTTON_PRESS, surface, at));
        Deliver(PointerEvent(GDK_BUTTON_RELEASE, surface, at, GDK_BUTTON1_MASK));
    }
    void DoubleClick(const ui::Window& window, Spot at) override
    {
        DoubleClickHeld(Surface(window), at);
        Deliver(PointerEvent(GDK_BUTTON_RELEASE, Surface(window), at, GDK_BUTTON1_MASK));
    }
    void Type(const ui::Window& window, std::initializer_list<Key> keys, Modifiers held) override
    {
        const guint state = (held.shift ? GDK_SHIFT_MASK : 0) | (held.control ? GDK_CONTROL_MASK : 0) |
                            (held.alt ? GDK_MOD1_MASK : 0) | (held.meta ? GDK_SUPER_MASK | GDK_MOD4_MASK : 0);
        for (const Key key : keys)
            PressKey(Surface(window), KeyvalOf(key, held.shift), state);
    }
    void TypeUnused(const ui::Window& window) override
    {
        PressKey(Surface(window), GDK_KEY_a);
        PressKey(Surface(window), GDK_KEY_F5);
    }
    bool HasKeyboard(const ui::Window& window) override
    {
        GtkWindow* gtk = View(window).Window();
        return gtk_window_has_toplevel_focus(gtk) && gtk_window_is_active(gtk);
    }
    void Leave(const ui::Window& window) override
    {
        Deliver(PointerEvent(GDK_LEAVE_NOTIFY, Surface(window), {-1, -1}));
    }
    Glyph PointerAt(const ui::Window& window, Spot at) override
    {
        MoveTo(window, at);
        GdkWindow* surface = Surface(window);
        GdkCursor* cursor = gdk_window_get_cursor(surface);
        if (cursor == nullptr)
            return {Glyph::Kind::Arrow};
        if (gdk_cursor_get_cursor_type(cursor) != GDK_CURSOR_IS_PIXMAP)
            return {gdk_cursor_get_cursor_type(cursor) == GDK_LEFT_PTR ? Glyph::Kind::Arrow : Glyph::Kind::Other};
        // GDK cannot give back a picture's pixels on X: the server shows them once the pointer is there.
        Display* display = GDK_WINDOW_XDISPLAY(surface);
        const int scale = gdk_window_get_scale_factor(surface);
        XWarpPointer(display, None, GDK_WINDOW_XID(surface), 0, 0, 0, 0, at.x * scale, at.y * scale);
        XSync(display, False);
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        if (image == nullptr)
            return {Glyph::Kind::Other};
        std::vector<std::uint32_t> argb;
        for (int i = 0; i < image->width * image->height; ++i) {
            // Premultiplied; a pixel either clear or solid is the same either way.
            argb.push_back(static_cast<std::uint32_t>(image->pixels[i]));
        }
        Glyph glyph = ToGlyph(image->width, image->height, {image->xhot, image->yhot}, std::move(argb));
        XFree(image);
        Settle();
        return glyph;
    }

    int Bypass(const ui::Window& window, conformance::Route route, Spot at, std::size_t label,
               std::string_view opened) override
    {
        GtkWidget* widget = Widget(window);
        GdkWindow* surface = Surface(window);
        // A window opened modally runs its loop inside the route: close it, and count it.
        const std::vector<FormView*> before = FormView::All();
        int count = 0;
        const guint watch = Every(10, [&] {
            for (FormView* view : FormView::All()) {
                if (std::ranges::find(before, view) == before.end() && view->Visible() && view->Model().Loaded() &&
                    view->Model().Window().Name() == opened) {
                    ++count;
                    view->Close();
                }
            }
            return true;
        });
        switch (route) {
        case conformance::Route::ScreenReader:
            Press(window, label);
            break;
        case conformance::Route::Tab:
        case conformance::Route::Enter:
            Deliver(KeyEvent(GDK_KEY_PRESS, surface, route == conformance::Route::Tab ? GDK_KEY_Tab : GDK_KEY_Return, 0),
                    widget);
            break;
        case conformance::Route::DoubleClick:
            Deliver(PointerEvent(GDK_2BUTTON_PRESS, surface, at), widget);
            break;
        case conformance::Route::Pointer:
            Deliver(PointerEvent(GDK_MOTION_NOTIFY, surface, at), widget);
            break;
        }
        // Whatever the route left for the loop, and a window it opened on its own.
        WaitUntil([] { return false; }, 50'000);
        g_source_remove(watch);
        return count;
    }

    conformance::Image Painted(const ui::Window& window) override
    {
        NextFrame(Widget(window));
        GdkWindow* surface = Surface(window);
        return ToImage(
            gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface), gdk_window_get_height(surface)));
    }
    conformance::Image Rendered(const ui::Window& window) override
    {
        // On a surface like those GTK hands the window's draw handler: the screen's kind, with its
        // font options, in the window's pixels scaled to the screen's.
        GtkWidget* widget = Widget(window);
        const int width = gtk_widget_get_allocated_width(widget);
        const int height = gtk_widget_get_allocated_height(widget);
        const int scale = gtk_widget_get_scale_factor(widget);
        cairo_surface_t* drawn = gdk_window_create_similar_surface(Surface(window), CAIRO_CONTENT_COLOR, width, height);
        cairo_t* cr = cairo_create(drawn);
        View(window).Draw(cr);
        cairo_destroy(cr);
        cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale);
        cairo_surface_set_device_scale(copy, scale, scale);
        cr = cairo_create(copy);
        cairo_set_source_surface(cr, drawn, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        conformance::Image image = ToImage(copy);
        cairo_surface_destroy(copy);
        cairo_surface_destroy(drawn);
        return image;
    }
    conformance::Image OnScreen(const ui::Window& window) override
    {
        GdkWindow* surface = Surface(window);
        const Spot origin = Origin(window);
        gdk_display_sync(gdk_window_get_display(surface));
        return ToImage(gdk_pixbuf_get_from_window(gdk_get_default_root_window(), origin.x, origin.y,
                                                  gdk_window_get_width(surface), gdk_window_get_height(surface)));
    }
    bool WaitFor(const std::function<bool()>& done) override { return WaitUntil(done); }

    conformance::Image Picture(ui::Resource picture) override { return ToImage(gtk::Picture(picture)); }
    bool Decoded(ui::Resource picture) override { return gtk::Decoded(picture); }
    int Density() override
    {
        return ui::kDesignDpi * gdk_monitor_get_scale_factor(gdk_display_get_monitor(gdk_display_get_default(), 0));
    }
    void SetTheme(const std::optional<ui::DesktopColours>& theme) override
    {
        GdkScreen* screen = gdk_screen_get_default();
        if (theme_ != nullptr) {
            gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(theme_));
            g_object_unref(theme_);
            theme_ = nullptr;
        }
        if (theme) {
            std::string css;
            for (const ThemeColour& named : kThemeColours) {
                const ui::Colour colour = (*theme).*named.colour;
                char line[80];
                std::snprintf(line, sizeof line, "@define-color %s #%02x%02x%02x;\n", named.name, ui::Red(colour),
                              ui::Green(colour), ui::Blue(colour));
                css += line;
            }
            theme_ = gtk_css_provider_new();
            gtk_css_provider_load_from_data(theme_, css.c_str(), -1, nullptr);
            gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(theme_),
                                                      GTK_STYLE_PROVIDER_PRIORITY_USER);
        }
        // No portal here to switch high contrast: the program's reading of it is set by hand.
        DesktopContrast::Instance().SetHigh(theme && theme->highContrast);
        for (FormView* view : FormView::All()) {
            if (view->Visible())
                NextFrame(GTK_WIDGET(view->Window()));
        }
    }
    int HeadingWidth(std::string_view text) override
    {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        cairo_t* cr = cairo_create(surface);
        PangoLayout* layout = pango_cairo_create_layout(cr);
        PangoFontDescription* font = pango_font_description_from_string("Arial Bold");
        pango_font_description_set_absolute_size(font, 16 * PANGO_SCALE);
        pango_layout_set_font_description(layout, font);
        pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
        int width = 0;
        pango_layout_get_pixel_size(layout, &width, nullptr);
        pango_font_description_free(font);
        g_object_unref(layout);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return width;
    }

    std::vector<conformance::Box> Boxes() override { return boxes_; }

    bool Listen() override
    {
        recorder_.emplace();
        return ScreenReaderCanListen();
    }
    conformance::Reading Read(const ui::Window& window, std::size_t label) override
    {
        AtkObject* child = Child(window, label);
        conformance::Reading reading = ToReading(child);
        g_object_unref(child);
        return reading;
    }
    conformance::Reading ReadWindow(const ui::Window& window) override
    {
        AtkObject* object = Accessible(window);
        conformance::Reading reading = ToReading(object);
        reading.children = static_cast<std::size_t>(atk_object_get_n_accessible_children(object));
        return reading;
    }
    ui::PixelBox Where(const ui::Window& window, std::size_t label) override
    {
        AtkObject* child = Child(window, label);
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        if (ATK_IS_COMPONENT(child))
            atk_component_get_extents(ATK_COMPONENT(child), &x, &y, &width, &height, ATK_XY_SCREEN);
        g_object_unref(child);
        const Spot origin = Origin(window);
        return {x - origin.x, y - origin.y, x - origin.x + width, y - origin.y + height};
    }
    std::optional<std::size_t> ReaderAt(const ui::Window& window, Spot at) override
    {
        AtkObject* object = Accessible(window);
        if (!ATK_IS_COMPONENT(object))
            return std::nullopt;
        const Spot origin = Origin(window);
        AtkObject* found = atk_component_ref_accessible_at_point(ATK_COMPONENT(object), origin.x + at.x,
                                                                 origin.y + at.y, ATK_XY_SCREEN);
        if (found == nullptr)
            return std::nullopt;
        const bool mine = atk_object_get_parent(found) == object;
        const int index = atk_object_get_index_in_parent(found);
        g_object_unref(found);
        return mine && index >= 0 ? std::optional<std::size_t>(static_cast<std::size_t>(index)) : std::nullopt;
    }
    std::optional<std::size_t> ReaderFocus(const ui::Window& window) override
    {
        AtkObject* object = Accessible(window);
        for (int i = 0; i < atk_object_get_n_accessible_children(object); ++i) {
            AtkObject* child = atk_object_ref_accessible_child(object, i);
            const bool focused = Has(child, ATK_STATE_FOCUSED);
            g_object_unref(child);
            if (focused)
                return static_cast<std::size_t>(i);
        }
        return std::nullopt;
    }
    bool Press(const ui::Window& window, std::size_t label) override
    {
        AtkObject* child = Child(window, label);
        bool took = false;
        if (ATK_IS_ACTION(child)) {
            AtkAction* actions = ATK_ACTION(child);
            for (int i = 0; i < atk_action_get_n_actions(actions); ++i) {
                const char* name = atk_action_get_name(actions, i);
                if (g_strcmp0(name, "click") == 0) {
                    took = atk_action_do_action(actions, i);
                    break;
                }
            }
        }
        g_object_unref(child);
        Settle();
        return took;
    }
    std::vector<conformance::Announcement> Announced(const ui::Window& window) override
    {
        std::vector<conformance::Announcement> told;
        if (!recorder_)
            return told;
        Settle();
        AtkObject* object = Accessible(window);
        std::erase_if(recorder_->events, [&](const AtkRecorder::Event& event) {
            if (event.parent != object)
                return false;
            if (event.index >= 0)
                told.push_back({event.what, static_cast<std::size_t>(event.index)});
            return true;
        });
        return told;
    }

private:
    // Where the session has an accessibility bus and GTK's bridge to it is not turned off.
    static bool ScreenReaderCanListen()
    {
        if (g_strcmp0(g_getenv("NO_AT_BRIDGE"), "1") == 0 || g_strcmp0(g_getenv("GTK_A11Y"), "none") == 0 ||
            g_getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
            return false;
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        GVariant* reply = bus == nullptr ? nullptr
                                         : g_dbus_connection_call_sync(bus, "org.a11y.Bus", "/org/a11y/bus",
                                                                       "org.a11y.Bus", "GetAddress", nullptr, nullptr,
                                                                       G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr,
                                                                       nullptr);
        if (reply != nullptr)
            g_variant_unref(reply);
        if (bus != nullptr)
            g_object_unref(bus);
        return reply != nullptr;
    }
    static AtkObject* Accessible(const ui::Window& window)
    {
        AtkObject* object = gtk_widget_get_accessible(Widget(window));
        if (object == nullptr)
            throw std::logic_error("no accessible object for " + window.Name());
        return object;
    }
    static AtkObject* Child(const ui::Window& window, std::size_t label)
    {
        AtkObject* child = atk_object_ref_accessible_child(Accessible(window), static_cast<gint>(label));
        if (child == nullptr)
            throw std::logic_error("no accessible label " + std::to_string(label) + " in " + window.Name());
        return child;
    }
    static bool Has(AtkObject* object, AtkStateType state)
    {
        AtkStateSet* states = atk_object_ref_state_set(object);
        const bool has = states != nullptr && atk_state_set_contains_state(states, state);
        if (states != nullptr)
            g_object_unref(states);
        return has;
    }
    // ATK's roles and states in the shared words. ATK has no state for a link: its role says it.
    static conformance::Reading ToReading(AtkObject* object)
    {
        conformance::Reading reading;
        const AtkRole role = atk_object_get_role(object);
        switch (role) {
        case ATK_ROLE_PUSH_BUTTON:
            reading.role = "button";
            break;
        case ATK_ROLE_LINK:
            reading.role = "link";
            reading.states.insert("linked");
            break;
        case ATK_ROLE_LABEL:
            reading.role = "text";
            break;
        default:
            reading.role = std::string("role ") + atk_role_get_name(role);
            break;
        }
        const char* name = atk_object_get_name(object);
        const char* description = atk_object_get_description(object);
        reading.name = name == nullptr ? "" : name;
        reading.description = description == nullptr ? "" : description;
        const std::pair<bool, const char*> states[] = {
            {Has(object, ATK_STATE_FOCUSABLE), "focusable"},
            {Has(object, ATK_STATE_FOCUSED), "focused"},
            {!Has(object, ATK_STATE_VISIBLE) || !Has(object, ATK_STATE_SHOWING), "invisible"},
            {!Has(object, ATK_STATE_SENSITIVE) || !Has(object, ATK_STATE_ENABLED), "unavailable"},
            {Has(object, ATK_STATE_READ_ONLY), "read-only"}};
        for (const auto& [set, state] : states) {
            if (set)
                reading.states.insert(state);
        }
        reading.acts = ATK_IS_ACTION(object) && atk_action_get_n_actions(ATK_ACTION(object)) > 0;
        return reading;
    }

    // Boxes are read as they show, and answered: their owners may be gone by the time a case looks.
    bool AnswerBoxes()
    {
        std::vector<GtkDialog*> shown;
        GList* windows = gtk_window_list_toplevels();
        for (GList* window = windows; window != nullptr; window = window->next) {
            if (GTK_IS_MESSAGE_DIALOG(window->data) && gtk_widget_get_visible(GTK_WIDGET(window->data)) &&
                g_object_get_data(G_OBJECT(window->data), "autorun-answered") == nullptr)
                shown.push_back(GTK_DIALOG(window->data));
        }
        g_list_free(windows);
        for (GtkDialog* dialog : shown) {
            g_object_set_data(G_OBJECT(dialog), "autorun-answered", dialog);
            gchar* text = nullptr;
            GtkMessageType type = GTK_MESSAGE_OTHER;
            g_object_get(dialog, "text", &text, "message-type", &type, nullptr);
            G_GNUC_BEGIN_IGNORE_DEPRECATIONS
            GList* buttons = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_action_area(dialog)));
            G_GNUC_END_IGNORE_DEPRECATIONS
            GtkWidget* ok = gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_OK);
            GtkWindow* parent = gtk_window_get_transient_for(GTK_WINDOW(dialog));
            const FormView* owner = parent == nullptr ? nullptr : FormView::Of(GTK_WIDGET(parent));
            const char* title = gtk_window_get_title(GTK_WINDOW(dialog));
            boxes_.push_back({title == nullptr ? "" : title, text == nullptr ? "" : text, type != GTK_MESSAGE_OTHER,
                              g_list_length(buttons) == 1 && ok != nullptr,
                              owner == nullptr ? "" : owner->Model().Window().Name()});
            g_list_free(buttons);
            g_free(text);
            if (ok != nullptr)
                gtk_button_clicked(GTK_BUTTON(ok));
            else
                gtk_dialog_response(dialog, GTK_RESPONSE_DELETE_EVENT);
        }
        return true;
    }

    DiscDesktop desktop_{disc_};
    std::vector<conformance::Box> boxes_;
    guint boxTimer_;
    std::optional<AtkRecorder> recorder_;
    GtkCssProvider* theme_ = nullptr;
};

} // namespace
} // namespace autorun::gtk::test

namespace autorun::conformance {

std::unique_ptr<Driver> MakeDriver()
{
    return std::make_unique<gtk::test::GtkDriver>();
}

} // namespace autorun::conformance
