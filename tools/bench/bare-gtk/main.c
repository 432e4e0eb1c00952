// The least a GTK 3 program does to show the launcher's picture and a line of text: the yardstick
// the benchmark holds the GTK program against, as bare/ is for the Qt one.
#include <gtk/gtk.h>

extern const unsigned char kSplash[];
extern const unsigned int kSplashSize;

static gboolean Draw(GtkWidget* window, cairo_t* cr, gpointer picture)
{
    (void)window;
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Arial");
    pango_font_description_set_absolute_size(font, 16 * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, "Look through the folders and files on this disc.", -1);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 0, 400);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    return TRUE;
}

int main(int argc, char* argv[])
{
    gtk_init(&argc, &argv);
    // Decoded once, before the window shows, as QImage does in the Qt yardstick.
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("jpeg", NULL);
    gdk_pixbuf_loader_write(loader, kSplash, kSplashSize, NULL);
    gdk_pixbuf_loader_close(loader, NULL);
    cairo_surface_t* picture = gdk_cairo_surface_create_from_pixbuf(gdk_pixbuf_loader_get_pixbuf(loader), 1, NULL);
    g_object_unref(loader);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Bare GTK window");
    gtk_widget_set_size_request(window, 599, 427);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_widget_set_app_paintable(window, TRUE);
    GdkRectangle screen;
    gdk_monitor_get_geometry(gdk_display_get_primary_monitor(gdk_display_get_default()), &screen);
    gtk_window_move(GTK_WINDOW(window), (screen.width - 599) / 2, (screen.height - 427) / 2);
    g_signal_connect(window, "draw", G_CALLBACK(Draw), picture);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show(window);
    gtk_main();
    cairo_surface_destroy(picture);
    return 0;
}
