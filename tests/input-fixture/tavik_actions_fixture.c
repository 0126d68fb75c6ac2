/* A GTK 3 window for the tests of keys, pointer moves, right, double and
 * triple clicks, drags and sideways or targeted scrolls.
 *
 *   tavik_actions_fixture REPORT_PATH
 *
 * Window "Tavik Actions Fixture":
 *   entry "Words" holding "alpha beta gamma"   (Return activates it; a
 *     right click opens its context menu; a double click selects a word)
 *   menu button "Menu" with a pop-up menu      (Escape closes the menu)
 *   scale "Scale", 0 to 100                    (a drag moves it)
 *   "Wide area": a row of 40 buttons scrolled sideways
 *   "Tall area": 100 lines scrolled up and down
 *   "Hover area": records where the pointer moved over it
 *
 * Ten times a second the window writes its state as one JSON object to
 * REPORT_PATH (through a temporary file and rename). Geometry is in root
 * window pixels:
 *   {"entry":R,"activations":N,"contextMenus":N,"selection":[start,end],
 *    "menuButton":R,"menuOpen":B,"scale":R,"scaleValue":X,"wide":R,
 *    "wideValue":X,"tall":R,"tallValue":X,"hover":R,"lastMotion":{"x":N,"y":N},
 *    "motions":N}
 * with R = {"x":N,"y":N,"width":N,"height":N}.
 */
#include <gtk/gtk.h>

#include "fixture_report.h"

static const char *report_path;
static GtkWidget *window, *entry, *menu_button, *menu, *scale, *wide, *tall, *hover;
static int activations = 0, context_menus = 0, motions = 0, motion_x = -1, motion_y = -1;
static GString *last_report;

static void on_activate(GtkEntry *e, gpointer data) {
    (void)e;
    (void)data;
    activations++;
}

static void on_populate_popup(GtkEntry *e, GtkWidget *popup, gpointer data) {
    (void)e;
    (void)popup;
    (void)data;
    context_menus++;
}

static void record_motion(double x_root, double y_root) {
    motions++;
    motion_x = (int)x_root;
    motion_y = (int)y_root;
}

static gboolean on_motion(GtkWidget *widget, GdkEventMotion *event, gpointer data) {
    (void)widget;
    (void)data;
    record_motion(event->x_root, event->y_root);
    return FALSE;
}

/* The pointer arriving from elsewhere comes as an enter event. */
static gboolean on_enter(GtkWidget *widget, GdkEventCrossing *event, gpointer data) {
    (void)widget;
    (void)data;
    record_motion(event->x_root, event->y_root);
    return FALSE;
}

static gboolean write_report(gpointer data) {
    (void)data;
    if (!gtk_widget_get_mapped(window)) return G_SOURCE_CONTINUE;
    int start = 0, end = 0;
    gtk_editable_get_selection_bounds(GTK_EDITABLE(entry), &start, &end);
    GString *out = g_string_new("{");
    append_rect(out, "entry", entry);
    g_string_append_printf(out, "\"activations\":%d,\"contextMenus\":%d,\"selection\":[%d,%d],", activations,
                           context_menus, start, end);
    append_rect(out, "menuButton", menu_button);
    g_string_append_printf(out, "\"menuOpen\":%s,", gtk_widget_get_mapped(menu) ? "true" : "false");
    append_rect(out, "scale", scale);
    append_number(out, "scaleValue", gtk_range_get_value(GTK_RANGE(scale)));
    append_rect(out, "wide", wide);
    append_number(out, "wideValue",
                  gtk_adjustment_get_value(gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(wide))));
    append_rect(out, "tall", tall);
    append_number(out, "tallValue",
                  gtk_adjustment_get_value(gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(tall))));
    append_rect(out, "hover", hover);
    g_string_append_printf(out, "\"lastMotion\":{\"x\":%d,\"y\":%d},\"motions\":%d}\n", motion_x, motion_y, motions);

    publish_report(report_path, out, last_report);
    g_string_free(out, TRUE);
    return G_SOURCE_CONTINUE;
}

/* A scrolled window without overlay bars (they hide until the pointer
 * moves), showing the child. */
static GtkWidget *scrolled(GtkWidget *child, GtkPolicyType horizontal, GtkPolicyType vertical, int height) {
    GtkWidget *scroller = gtk_scrolled_window_new(NULL, NULL);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), horizontal, vertical);
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
    gtk_widget_set_size_request(scroller, -1, height);
    gtk_container_add(GTK_CONTAINER(scroller), child);
    return scroller;
}

int main(int argc, char **argv) {
    gtk_init(&argc, &argv);
    if (argc < 2) {
        g_printerr("usage: tavik_actions_fixture REPORT_PATH\n");
        return 2;
    }
    report_path = argv[1];
    last_report = g_string_new("");

    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Tavik Actions Fixture");
    gtk_window_set_default_size(GTK_WINDOW(window), 480, 560);
    gtk_window_move(GTK_WINDOW(window), 560, 40);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);

    GtkWidget *outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(outer), 8);
    gtk_container_add(GTK_CONTAINER(window), outer);

    entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), "alpha beta gamma");
    set_accessible_name(entry, "Words");
    g_signal_connect(entry, "activate", G_CALLBACK(on_activate), NULL);
    g_signal_connect(entry, "populate-popup", G_CALLBACK(on_populate_popup), NULL);
    gtk_box_pack_start(GTK_BOX(outer), entry, FALSE, FALSE, 0);

    menu = gtk_menu_new();
    for (int i = 1; i <= 3; i++) {
        char text[32];
        g_snprintf(text, sizeof text, "Menu item %d", i);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_menu_item_new_with_label(text));
    }
    gtk_widget_show_all(menu);
    menu_button = gtk_menu_button_new();
    gtk_button_set_label(GTK_BUTTON(menu_button), "Menu");
    gtk_menu_button_set_popup(GTK_MENU_BUTTON(menu_button), menu);
    gtk_widget_set_halign(menu_button, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(outer), menu_button, FALSE, FALSE, 0);

    scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
    gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
    set_accessible_name(scale, "Scale");
    gtk_box_pack_start(GTK_BOX(outer), scale, FALSE, FALSE, 0);

    GtkWidget *row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    for (int i = 1; i <= 40; i++) {
        char text[32];
        g_snprintf(text, sizeof text, "Column %d", i);
        gtk_box_pack_start(GTK_BOX(row), gtk_label_new(text), FALSE, FALSE, 8);
    }
    wide = scrolled(row, GTK_POLICY_ALWAYS, GTK_POLICY_NEVER, 60);
    set_accessible_name(wide, "Wide area");
    gtk_box_pack_start(GTK_BOX(outer), wide, FALSE, FALSE, 0);

    GtkWidget *lines = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    for (int i = 1; i <= 100; i++) {
        char text[32];
        g_snprintf(text, sizeof text, "Line %d", i);
        GtkWidget *line = gtk_label_new(text);
        gtk_widget_set_halign(line, GTK_ALIGN_START);
        gtk_box_pack_start(GTK_BOX(lines), line, FALSE, FALSE, 2);
    }
    tall = scrolled(lines, GTK_POLICY_NEVER, GTK_POLICY_ALWAYS, 140);
    set_accessible_name(tall, "Tall area");
    gtk_box_pack_start(GTK_BOX(outer), tall, FALSE, FALSE, 0);

    hover = gtk_drawing_area_new();
    gtk_widget_set_size_request(hover, -1, 80);
    gtk_widget_add_events(hover, GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK);
    g_signal_connect(hover, "motion-notify-event", G_CALLBACK(on_motion), NULL);
    g_signal_connect(hover, "enter-notify-event", G_CALLBACK(on_enter), NULL);
    set_accessible_name(hover, "Hover area");
    gtk_box_pack_start(GTK_BOX(outer), hover, FALSE, FALSE, 0);

    gtk_widget_show_all(window);
    g_timeout_add(100, write_report, NULL);
    gtk_main();
    return 0;
}
