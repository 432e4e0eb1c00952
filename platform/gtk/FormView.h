// The GTK window that draws one window of a Form and hands it every pointer event, in twips, and
// every key the Form answers. It decides nothing: what changes, and when, is the Form's business.
#pragma once

#include "ui/Form.h"

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace autorun::gtk {

class FormView {
public:
    // A view with an owner is kept above it.
    explicit FormView(Form& form, FormView* owner = nullptr);
    ~FormView();
    FormView(const FormView&) = delete;
    FormView& operator=(const FormView&) = delete;

    Form& Model() const { return form_; }
    GtkWindow* Window() const { return window_; }
    FormView* Owner() const { return owner_; }

    // Applies what the logic changed: repaints labels, moves, retitles or closes the window.
    void Sync();
    void Show();
    // As the user closes it: the window hides and Closed runs.
    void Close();
    bool Visible() const;
    // Runs once the window is closed, by the user or by the program.
    std::function<void()> Closed;

    // Draws the whole window from the model, at the window's density, on cr (client pixels).
    void Draw(cairo_t* cr);

    // The view showing a GTK window, or null; and every view that exists.
    static FormView* Of(GtkWidget* widget);
    static const std::vector<FormView*>& All();
    // Whether view still exists, with its form loaded: a handler may have closed it meanwhile.
    static bool Alive(const FormView* view);

private:
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
    static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
    static gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer self);
    static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
    static gboolean OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self);
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
    static void OnMap(GtkWidget*, gpointer self);
    static void OnUnmap(GtkWidget*, gpointer self);
    static void OnRealize(GtkWidget*, gpointer self);
    static void OnScale(GObject*, GParamSpec*, gpointer self);
    static void OnStyleUpdated(GtkWidget*, gpointer self);

    // The window's density from its scale factor, and the desktop's colours, applied through Sync.
    void FitToScreen();
    void FitToTheme();
    // Pictures and pointer for the window's density.
    void FitToDensity();
    void ShowPointer(ui::Point p);
    // Returns the box the caption's text takes, in client pixels.
    GdkRectangle DrawLabel(cairo_t* cr, const ui::Label& label, const ui::LabelLook& look) const;
    void DrawPicture(cairo_t* cr, ui::Resource resource, int x, int y) const;

    Form& form_;
    FormView* owner_;
    GtkWindow* window_;
    GdkCursor* hand_ = nullptr;
    std::optional<ui::Pointer> pointer_;
    bool closed_ = false;
};

} // namespace autorun::gtk
