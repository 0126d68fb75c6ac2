/* A GTK 3 window for the X11 input and capture tests.
 *
 *   tavik_input_fixture REPORT_PATH
 *
 * Window "Tavik Input Fixture":
 *   button "Increment" and label "Clicks: N"   (click-xy at the button)
 *   scrolled list of 100 lines, vertical bar    (scroll over it)
 *   "Key recorder": takes keyboard focus and records the text its keys
 *     deliver; it has no value that accessibility could set, so type
 *     falls back to keys. The label under it shows the text received.
 *   "Text view": a multi-line text view that takes keys only: text set
 *     through accessibility is refused, so type falls back to keys
 *   "Click target": no actions; counts the clicks it gets
 *   a patch of solid colour #D03C1E           (screenshot pixels)
 *
 * Ten times a second the window writes its state as one JSON object to
 * REPORT_PATH (through a temporary file and rename, so a reader never
 * sees half a report). Geometry is in root window pixels:
 *   {"pid":N,"window":R,"button":R,"clicks":N,"scrollArea":R,
 *    "scroll":{"value":X,"upper":N,"page":N},"wheelTimes":[N,...],"recorder":R,
 *    "recorderFocused":B,"typed":"...","target":R,"targetClicks":N,
 *    "lastTargetClick":{"x":N,"y":N},"patch":R,"patchColour":[r,g,b]}
 * with R = {"x":N,"y":N,"width":N,"height":N}; wheelTimes are the X server
 * times (ms) of the last wheel steps over the list, oldest first.
 */
#include <gtk/gtk.h>
#include <unistd.h>

#include "fixture_report.h"

#define PATCH_RED 0xD0
#define PATCH_GREEN 0x3C
#define PATCH_BLUE 0x1E

static const char *report_path;
static GtkWidget *window, *button, *scroller, *recorder, *typed_label, *target, *patch;
static int clicks = 0, target_clicks = 0, last_click_x = -1, last_click_y = -1;
static GString *typed;
static GtkIMContext *input_method;
static GString *last_report;
#define WHEEL_TIMES 64
static guint32 wheel_times[WHEEL_TIMES];
static int wheel_count = 0;
static int user_actions = 0;

static void on_increment(GtkButton *b, gpointer counter_label) {
    (void)b;
    char text[32];
    g_snprintf(text, sizeof text, "Clicks: %d", ++clicks);
    gtk_label_set_text(GTK_LABEL(counter_label), text);
}

static void on_commit(GtkIMContext *context, const char *text, gpointer data) {
    (void)context;
    (void)data;
    g_string_append(typed, text);
    gtk_label_set_text(GTK_LABEL(typed_label), typed->str);
}

static gboolean on_recorder_key(GtkWidget *widget, GdkEventKey *event, gpointer data) {
    (void)widget;
    (void)data;
    if (gtk_im_context_filter_keypress(input_method, event)) return TRUE;
    /* Keys the input method leaves alone: line breaks and tabs. */
    if (event->type == GDK_KEY_PRESS) {
        if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
            on_commit(input_method, "\n", NULL);
            return TRUE;
        }
        if (event->keyval == GDK_KEY_Tab) {
            on_commit(input_method, "\t", NULL);
            return TRUE;
        }
    }
    return FALSE;
}

static void on_recorder_focus(GtkWidget *widget, GdkEvent *event, gpointer data) {
    (void)widget;
    (void)data;
    if (event->focus_change.in)
        gtk_im_context_focus_in(input_method);
    else
        gtk_im_context_focus_out(input_method);
}

static gboolean on_recorder_press(GtkWidget *widget, GdkEventButton *event, gpointer data) {
    (void)event;
    (void)data;
    gtk_widget_grab_focus(widget);
    return TRUE;
}

static gboolean draw_recorder(GtkWidget *widget, cairo_t *cr, gpointer data) {
    (void)data;
    GtkStyleContext *style = gtk_widget_get_style_context(widget);
    int width = gtk_widget_get_allocated_width(widget), height = gtk_widget_get_allocated_height(widget);
    gtk_render_background(style, cr, 0, 0, width, height);
    gtk_render_frame(style, cr, 0, 0, width, height);
    if (gtk_widget_has_focus(widget)) gtk_render_focus(style, cr, 2, 2, width - 4, height - 4);
    return FALSE;
}

static gboolean on_wheel(GtkWidget *widget, GdkEventScroll *event, gpointer data) {
    (void)widget;
    (void)data;
    if (event->direction == GDK_SCROLL_UP || event->direction == GDK_SCROLL_DOWN)
        wheel_times[wheel_count++ % WHEEL_TIMES] = event->time;
    return FALSE;
}

/* The text view's buffer changes only by keys (inside a user action), so
 * that setting its text through accessibility does not take. */
static void on_user_action(GtkTextBuffer *buffer, gpointer delta) {
    (void)buffer;
    user_actions += GPOINTER_TO_INT(delta);
}

static void refuse_insert(GtkTextBuffer *buffer, GtkTextIter *at, gchar *text, gint length, gpointer data) {
    (void)at;
    (void)text;
    (void)length;
    (void)data;
    if (user_actions == 0) g_signal_stop_emission_by_name(buffer, "insert-text");
}

static void refuse_delete(GtkTextBuffer *buffer, GtkTextIter *start, GtkTextIter *end, gpointer data) {
    (void)start;
    (void)end;
    (void)data;
    if (user_actions == 0) g_signal_stop_emission_by_name(buffer, "delete-range");
}

static gboolean on_target_press(GtkWidget *widget, GdkEventButton *event, gpointer data) {
    (void)widget;
    (void)data;
    if (event->type == GDK_BUTTON_PRESS && event->button == 1) {
        target_clicks++;
        last_click_x = (int)event->x_root;
        last_click_y = (int)event->y_root;
    }
    return TRUE;
}

static gboolean draw_patch(GtkWidget *widget, cairo_t *cr, gpointer data) {
    (void)widget;
    (void)data;
    cairo_set_source_rgb(cr, PATCH_RED / 255.0, PATCH_GREEN / 255.0, PATCH_BLUE / 255.0);
    cairo_paint(cr);
    return TRUE;
}

static void append_json_string(GString *out, const char *text) {
    g_string_append_c(out, '"');
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        if (*p == '"' || *p == '\\')
            g_string_append_printf(out, "\\%c", *p);
        else if (*p < 0x20)
            g_string_append_printf(out, "\\u%04x", *p);
        else
            g_string_append_c(out, (char)*p);
    }
    g_string_append_c(out, '"');
}

static gboolean write_report(gpointer data) {
    (void)data;
    if (!gtk_widget_get_mapped(window)) return G_SOURCE_CONTINUE;
    GtkAdjustment *adjustment = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(scroller));
    GString *out = g_string_new("{");
    g_string_append_printf(out, "\"pid\":%d,", (int)getpid());
    append_rect(out, "window", window);
    append_rect(out, "button", button);
    g_string_append_printf(out, "\"clicks\":%d,", clicks);
    append_rect(out, "scrollArea", scroller);
    char value[G_ASCII_DTOSTR_BUF_SIZE]; /* a decimal point whatever the locale */
    g_ascii_formatd(value, sizeof value, "%.3f", gtk_adjustment_get_value(adjustment));
    g_string_append_printf(out, "\"scroll\":{\"value\":%s,\"upper\":%d,\"page\":%d},", value, (int)gtk_adjustment_get_upper(adjustment),
                           (int)gtk_adjustment_get_page_size(adjustment));
    g_string_append(out, "\"wheelTimes\":[");
    const int oldest = wheel_count > WHEEL_TIMES ? wheel_count - WHEEL_TIMES : 0;
    for (int i = oldest; i < wheel_count; i++)
        g_string_append_printf(out, "%s%u", i == oldest ? "" : ",", wheel_times[i % WHEEL_TIMES]);
    g_string_append(out, "],");
    append_rect(out, "recorder", recorder);
    g_string_append_printf(out, "\"recorderFocused\":%s,\"typed\":",
                           gtk_widget_has_focus(recorder) && gtk_window_is_active(GTK_WINDOW(window)) ? "true"
                                                                                                    : "false");
    append_json_string(out, typed->str);
    g_string_append_c(out, ',');
    append_rect(out, "target", target);
    g_string_append_printf(out, "\"targetClicks\":%d,\"lastTargetClick\":{\"x\":%d,\"y\":%d},", target_clicks,
                           last_click_x, last_click_y);
    append_rect(out, "patch", patch);
    g_string_append_printf(out, "\"patchColour\":[%d,%d,%d]}\n", PATCH_RED, PATCH_GREEN, PATCH_BLUE);

    publish_report(report_path, out, last_report);
    g_string_free(out, TRUE);
    return G_SOURCE_CONTINUE;
}

int main(int argc, char **argv) {
    gtk_init(&argc, &argv);
    if (argc < 2) {
        g_printerr("usage: tavik_input_fixture REPORT_PATH\n");
        return 2;
    }
    report_path = argv[1];
    typed = g_string_new("");
    last_report = g_string_new("");

    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Tavik Input Fixture");
    gtk_window_set_default_size(GTK_WINDOW(window), 480, 560);
    gtk_window_move(GTK_WINDOW(window), 40, 40);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);

    GtkWidget *outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(outer), 8);
    gtk_container_add(GTK_CONTAINER(window), outer);

    GtkWidget *row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    button = gtk_button_new_with_label("Increment");
    GtkWidget *counter = gtk_label_new("Clicks: 0");
    g_signal_connect(button, "clicked", G_CALLBACK(on_increment), counter);
    gtk_box_pack_start(GTK_BOX(row), button, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), counter, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(outer), row, FALSE, FALSE, 0);

    scroller = gtk_scrolled_window_new(NULL, NULL);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_ALWAYS);
    /* Classic scroll bars: overlay bars hide until the pointer moves. */
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
    gtk_widget_set_size_request(scroller, -1, 160);
    GtkWidget *lines = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    for (int i = 1; i <= 100; i++) {
        char text[32];
        g_snprintf(text, sizeof text, "Line %d", i);
        GtkWidget *line = gtk_label_new(text);
        gtk_widget_set_halign(line, GTK_ALIGN_START);
        gtk_box_pack_start(GTK_BOX(lines), line, FALSE, FALSE, 2);
    }
    gtk_container_add(GTK_CONTAINER(scroller), lines);
    set_accessible_name(scroller, "Scroll area");
    g_signal_connect(scroller, "scroll-event", G_CALLBACK(on_wheel), NULL);
    gtk_box_pack_start(GTK_BOX(outer), scroller, FALSE, FALSE, 0);

    recorder = gtk_drawing_area_new();
    gtk_widget_set_can_focus(recorder, TRUE);
    gtk_widget_set_size_request(recorder, -1, 40);
    gtk_widget_add_events(recorder, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_BUTTON_PRESS_MASK |
                                         GDK_FOCUS_CHANGE_MASK);
    input_method = gtk_im_context_simple_new();
    g_signal_connect(input_method, "commit", G_CALLBACK(on_commit), NULL);
    g_signal_connect(recorder, "key-press-event", G_CALLBACK(on_recorder_key), NULL);
    g_signal_connect(recorder, "key-release-event", G_CALLBACK(on_recorder_key), NULL);
    g_signal_connect(recorder, "focus-in-event", G_CALLBACK(on_recorder_focus), NULL);
    g_signal_connect(recorder, "focus-out-event", G_CALLBACK(on_recorder_focus), NULL);
    g_signal_connect(recorder, "button-press-event", G_CALLBACK(on_recorder_press), NULL);
    g_signal_connect(recorder, "draw", G_CALLBACK(draw_recorder), NULL);
    set_accessible_name(recorder, "Key recorder");
    atk_object_set_role(gtk_widget_get_accessible(recorder), ATK_ROLE_TEXT);
    gtk_box_pack_start(GTK_BOX(outer), recorder, FALSE, FALSE, 0);

    typed_label = gtk_label_new("");
    gtk_label_set_selectable(GTK_LABEL(typed_label), FALSE);
    gtk_widget_set_halign(typed_label, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(outer), typed_label, FALSE, FALSE, 0);

    GtkWidget *text_view = gtk_text_view_new();
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(text_view));
    g_signal_connect(buffer, "begin-user-action", G_CALLBACK(on_user_action), GINT_TO_POINTER(1));
    g_signal_connect(buffer, "end-user-action", G_CALLBACK(on_user_action), GINT_TO_POINTER(-1));
    g_signal_connect(buffer, "insert-text", G_CALLBACK(refuse_insert), NULL);
    g_signal_connect(buffer, "delete-range", G_CALLBACK(refuse_delete), NULL);
    GtkWidget *text_frame = gtk_scrolled_window_new(NULL, NULL);
    gtk_widget_set_size_request(text_frame, -1, 70);
    gtk_container_add(GTK_CONTAINER(text_frame), text_view);
    set_accessible_name(text_view, "Text view");
    gtk_box_pack_start(GTK_BOX(outer), text_frame, FALSE, FALSE, 0);

    target = gtk_event_box_new();
    gtk_widget_set_size_request(target, 200, 60);
    gtk_container_add(GTK_CONTAINER(target), gtk_label_new("Click target"));
    g_signal_connect(target, "button-press-event", G_CALLBACK(on_target_press), NULL);
    set_accessible_name(target, "Click target");
    gtk_widget_set_halign(target, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(outer), target, FALSE, FALSE, 0);

    patch = gtk_drawing_area_new();
    gtk_widget_set_size_request(patch, 120, 80);
    gtk_widget_set_halign(patch, GTK_ALIGN_START);
    g_signal_connect(patch, "draw", G_CALLBACK(draw_patch), NULL);
    gtk_box_pack_start(GTK_BOX(outer), patch, FALSE, FALSE, 0);

    gtk_widget_show_all(window);
    gtk_widget_grab_focus(recorder);
    g_timeout_add(100, write_report, NULL);
    gtk_main();
    return 0;
}
