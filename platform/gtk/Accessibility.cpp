#include "platform/gtk/Accessibility.h"

#include "platform/gtk/FormView.h"

#include <gtk/gtk-a11y.h>

#include <string>
#include <vector>

// GObject's type macros cast as C does.
#pragma GCC diagnostic ignored "-Wold-style-cast"

namespace autorun::gtk {
namespace {

// The window a FormView draws in: a GtkWindow whose accessible object is the form's.
struct FormWindow {
    GtkWindow parent;
    FormView* view;
};
struct FormWindowClass {
    GtkWindowClass parent;
};

// The window's accessible object: GTK's own for a window (name, role, frame), with the labels for children.
struct FormWindowAccessible {
    GtkWindowAccessible parent;
    std::vector<AtkObject*>* labels;
};
struct FormWindowAccessibleClass {
    GtkWindowAccessibleClass parent;
};

// One painted label, as the form describes it.
struct LabelAccessible {
    AtkObject parent;
    FormView* view;
    std::size_t index;
};
struct LabelAccessibleClass {
    AtkObjectClass parent;
};

GType form_window_get_type();
GType form_window_accessible_get_type();
GType label_accessible_get_type();

G_DEFINE_TYPE(FormWindow, form_window, GTK_TYPE_WINDOW)

void form_window_init(FormWindow* window)
{
    window->view = nullptr;
}

void form_window_class_init(FormWindowClass* klass)
{
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), form_window_accessible_get_type());
}

FormView* ViewOf(AtkObject* window)
{
    GtkWidget* widget = gtk_accessible_get_widget(GTK_ACCESSIBLE(window));
    return widget == nullptr ? nullptr : reinterpret_cast<FormWindow*>(widget)->view;
}

bool Valid(const LabelAccessible* label)
{
    return label->view != nullptr && label->view->Model().Loaded() &&
           label->index < label->view->Model().Window().Labels().size();
}

LabelAccessible* AsLabel(gpointer object)
{
    return reinterpret_cast<LabelAccessible*>(object);
}

AccessibleLabel Described(AtkObject* object)
{
    const LabelAccessible* label = AsLabel(object);
    return Valid(label) ? label->view->Model().Describe(label->index) : AccessibleLabel{.invisible = true};
}

// Labels: name, description, role, states, place, extents and action.

const gchar* LabelName(AtkObject* object)
{
    // Kept until the next call: ATK hands out the object's own string.
    static std::string name;
    name = Described(object).name;
    return name.c_str();
}

const gchar* LabelDescription(AtkObject* object)
{
    static std::string description;
    description = Described(object).description;
    return description.c_str();
}

AtkRole LabelRole(AtkObject* object)
{
    switch (Described(object).role) {
    case ui::Role::PushButton:
        return ATK_ROLE_PUSH_BUTTON;
    case ui::Role::Link:
        return ATK_ROLE_LINK;
    case ui::Role::StaticText:
        break;
    }
    return ATK_ROLE_LABEL;
}

AtkStateSet* LabelStates(AtkObject* object)
{
    AtkStateSet* states = atk_state_set_new();
    if (!Valid(AsLabel(object))) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    const AccessibleLabel described = Described(object);
    const std::pair<bool, AtkStateType> kStates[] = {
        {!described.invisible, ATK_STATE_VISIBLE},   {!described.invisible, ATK_STATE_SHOWING},
        {!described.unavailable, ATK_STATE_ENABLED}, {!described.unavailable, ATK_STATE_SENSITIVE},
        {described.focusable, ATK_STATE_FOCUSABLE},  {described.focused, ATK_STATE_FOCUSED},
        {described.readOnly, ATK_STATE_READ_ONLY}};
    for (const auto& [set, state] : kStates) {
        if (set)
            atk_state_set_add_state(states, state);
    }
    return states;
}

gint LabelIndex(AtkObject* object)
{
    return static_cast<gint>(AsLabel(object)->index);
}

void LabelExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords)
{
    *x = *y = *width = *height = 0;
    const LabelAccessible* label = AsLabel(component);
    if (!Valid(label))
        return;
    const ui::PixelBox box = ui::ToPixels(label->view->Model().Window().Labels()[label->index].Bounds());
    int left = 0;
    int top = 0;
    if (coords != ATK_XY_WINDOW) {
        if (GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(label->view->Window())))
            gdk_window_get_origin(window, &left, &top);
    }
    *x = left + box.left;
    *y = top + box.top;
    *width = box.Width();
    *height = box.Height();
}

void LabelComponentInit(AtkComponentIface* iface)
{
    iface->get_extents = LabelExtents;
}

gint LabelActions(AtkAction* action)
{
    return Described(ATK_OBJECT(action)).action == DefaultAction::None ? 0 : 1;
}

const gchar* LabelActionName(AtkAction* action, gint i)
{
    return i == 0 && LabelActions(action) == 1 ? "click" : nullptr;
}

// Done from the window's own loop, as a click is: the action may show a modal window, and the screen
// reader that asked must not wait for it to close.
gboolean LabelDoAction(AtkAction* action, gint i)
{
    if (i != 0 || LabelActions(action) != 1)
        return FALSE;
    struct Press {
        FormView* view;
        std::size_t index;
    };
    const LabelAccessible* label = AsLabel(action);
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            const Press press = *static_cast<Press*>(data);
            if (FormView::Alive(press.view)) {
                press.view->Model().DoDefaultAction(press.index);
                if (FormView::Alive(press.view))
                    press.view->Sync();
            }
            return G_SOURCE_REMOVE;
        },
        new Press{label->view, label->index}, [](gpointer data) { delete static_cast<Press*>(data); });
    return TRUE;
}

void LabelActionInit(AtkActionIface* iface)
{
    iface->get_n_actions = LabelActions;
    iface->get_name = LabelActionName;
    iface->do_action = LabelDoAction;
}

G_DEFINE_TYPE_WITH_CODE(LabelAccessible, label_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, LabelComponentInit)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, LabelActionInit))

void label_accessible_init(LabelAccessible* label)
{
    label->view = nullptr;
    label->index = 0;
}

void label_accessible_class_init(LabelAccessibleClass* klass)
{
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_name = LabelName;
    atk->get_description = LabelDescription;
    atk->get_role = LabelRole;
    atk->ref_state_set = LabelStates;
    atk->get_index_in_parent = LabelIndex;
}

// The window: one child for each label of the design in design order, hidden ones not showing, so a
// label keeps its place among them.

void WindowComponentInit(AtkComponentIface* iface);

G_DEFINE_TYPE_WITH_CODE(FormWindowAccessible, form_window_accessible, GTK_TYPE_WINDOW_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, WindowComponentInit))

std::vector<AtkObject*>& Labels(AtkObject* window)
{
    auto* self = reinterpret_cast<FormWindowAccessible*>(window);
    if (self->labels == nullptr)
        self->labels = new std::vector<AtkObject*>;
    return *self->labels;
}

gint WindowChildren(AtkObject* window)
{
    const FormView* view = ViewOf(window);
    return view != nullptr && view->Model().Loaded() ? static_cast<gint>(view->Model().Window().Labels().size()) : 0;
}

AtkObject* WindowChild(AtkObject* window, gint index)
{
    if (index < 0 || index >= WindowChildren(window))
        return nullptr;
    std::vector<AtkObject*>& labels = Labels(window);
    if (labels.size() <= static_cast<std::size_t>(index))
        labels.resize(static_cast<std::size_t>(index) + 1, nullptr);
    AtkObject*& child = labels[static_cast<std::size_t>(index)];
    if (child == nullptr) {
        child = ATK_OBJECT(g_object_new(label_accessible_get_type(), nullptr));
        auto* label = AsLabel(child);
        label->view = ViewOf(window);
        label->index = static_cast<std::size_t>(index);
        atk_object_set_parent(child, window);
    }
    return ATK_OBJECT(g_object_ref(child));
}

AtkStateSet* WindowStates(AtkObject* window)
{
    AtkStateSet* states = ATK_OBJECT_CLASS(form_window_accessible_parent_class)->ref_state_set(window);
    // Focused only while none of its labels is.
    if (const FormView* view = ViewOf(window); view != nullptr && view->Model().Loaded()) {
        if (view->Model().DescribeWindow().focused)
            atk_state_set_add_state(states, ATK_STATE_FOCUSED);
        else
            atk_state_set_remove_state(states, ATK_STATE_FOCUSED);
    }
    return states;
}

AtkRole WindowRole(AtkObject* window)
{
    const FormView* view = ViewOf(window);
    if (view == nullptr || !view->Model().Loaded())
        return ATK_ROLE_FRAME;
    return view->Model().DescribeWindow().role == AccessibleWindow::Role::Dialog ? ATK_ROLE_DIALOG : ATK_ROLE_FRAME;
}

AtkObject* WindowChildAt(AtkComponent* component, gint x, gint y, AtkCoordType coords)
{
    AtkObject* window = ATK_OBJECT(component);
    FormView* view = ViewOf(window);
    if (view == nullptr || !view->Model().Loaded())
        return nullptr;
    int left = 0;
    int top = 0;
    if (coords != ATK_XY_WINDOW) {
        if (GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(view->Window())))
            gdk_window_get_origin(gdk, &left, &top);
    }
    const int width = gtk_widget_get_allocated_width(GTK_WIDGET(view->Window()));
    const int height = gtk_widget_get_allocated_height(GTK_WIDGET(view->Window()));
    if (x < left || y < top || x >= left + width || y >= top + height)
        return nullptr;
    const std::optional<std::size_t> label =
        view->Model().AccessibleAt(ui::PointerTwips(x - left, y - top, ui::kDesignDpi));
    return label ? WindowChild(window, static_cast<gint>(*label)) : nullptr;
}

void WindowComponentInit(AtkComponentIface* iface)
{
    iface->ref_accessible_at_point = WindowChildAt;
}


void form_window_accessible_init(FormWindowAccessible* window)
{
    window->labels = nullptr;
}

void WindowFinalize(GObject* object)
{
    if (auto* labels = reinterpret_cast<FormWindowAccessible*>(object)->labels) {
        for (AtkObject* label : *labels) {
            if (label != nullptr) {
                AsLabel(label)->view = nullptr;
                g_object_unref(label);
            }
        }
        delete labels;
    }
    G_OBJECT_CLASS(form_window_accessible_parent_class)->finalize(object);
}

void form_window_accessible_class_init(FormWindowAccessibleClass* klass)
{
    G_OBJECT_CLASS(klass)->finalize = WindowFinalize;
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_n_children = WindowChildren;
    atk->ref_child = WindowChild;
    atk->ref_state_set = WindowStates;
    atk->get_role = WindowRole;
}

void Send(AtkObject* window, const ui::Announcement& announcement)
{
    using Kind = ui::Announcement::Kind;
    AtkObject* object = announcement.label ? WindowChild(window, static_cast<gint>(*announcement.label))
                                           : ATK_OBJECT(g_object_ref(window));
    if (object == nullptr)
        return;
    switch (announcement.kind) {
    case Kind::Focus:
        atk_object_notify_state_change(object, ATK_STATE_FOCUSED, TRUE);
        break;
    case Kind::Show:
    case Kind::Hide: {
        const bool shown = announcement.kind == Kind::Show;
        atk_object_notify_state_change(object, ATK_STATE_VISIBLE, shown);
        atk_object_notify_state_change(object, ATK_STATE_SHOWING, shown);
        break;
    }
    case Kind::Name:
        g_object_notify(G_OBJECT(object), "accessible-name");
        break;
    case Kind::State: {
        const bool enabled = announcement.label && !Described(object).unavailable;
        atk_object_notify_state_change(object, ATK_STATE_ENABLED, enabled);
        atk_object_notify_state_change(object, ATK_STATE_SENSITIVE, enabled);
        break;
    }
    }
    g_object_unref(object);
}

} // namespace

GtkWidget* NewFormWindow(FormView& view)
{
    auto* window = static_cast<FormWindow*>(g_object_new(form_window_get_type(), "type", GTK_WINDOW_TOPLEVEL, nullptr));
    window->view = &view;
    return GTK_WIDGET(window);
}

void Forget(FormView& view)
{
    GtkWidget* widget = GTK_WIDGET(view.Window());
    AtkObject* window = gtk_widget_get_accessible(widget);
    for (AtkObject* label : Labels(window)) {
        if (label != nullptr)
            AsLabel(label)->view = nullptr;
    }
    reinterpret_cast<FormWindow*>(widget)->view = nullptr;
}

void Announce(FormView& view, const std::vector<ui::Announcement>& announcements)
{
    if (announcements.empty())
        return;
    AtkObject* window = gtk_widget_get_accessible(GTK_WIDGET(view.Window()));
    for (const ui::Announcement& announcement : announcements)
        Send(window, announcement);
}

} // namespace autorun::gtk
