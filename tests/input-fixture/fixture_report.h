/* Pieces both GTK fixture windows use to publish their state as one JSON
 * object: widget rectangles in root window pixels, numbers with a decimal
 * point whatever the locale, and a report file replaced whole by rename so
 * a reader never sees half a report. */
#ifndef TAVIK_FIXTURE_REPORT_H
#define TAVIK_FIXTURE_REPORT_H

#include <gtk/gtk.h>
#include <stdio.h>

/* Appends "key":{"x":N,"y":N,"width":N,"height":N}, */
static inline void append_rect(GString *out, const char *key, GtkWidget *widget) {
    int x = 0, y = 0, origin_x = 0, origin_y = 0;
    GtkWidget *top = gtk_widget_get_toplevel(widget);
    GdkWindow *top_window = gtk_widget_get_window(top);
    if (top_window) gdk_window_get_origin(top_window, &origin_x, &origin_y);
    if (widget != top) gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
    g_string_append_printf(out, "\"%s\":{\"x\":%d,\"y\":%d,\"width\":%d,\"height\":%d},", key, origin_x + x,
                           origin_y + y, gtk_widget_get_allocated_width(widget),
                           gtk_widget_get_allocated_height(widget));
}

/* Appends "key":X, with three decimals. */
static inline void append_number(GString *out, const char *key, double value) {
    char text[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(text, sizeof text, "%.3f", value);
    g_string_append_printf(out, "\"%s\":%s,", key, text);
}

/* Writes out to path when it differs from the last report written. */
static inline void publish_report(const char *path, const GString *out, GString *last_report) {
    if (g_string_equal(out, last_report)) return;
    char *temporary = g_strconcat(path, ".part", NULL);
    if (g_file_set_contents(temporary, out->str, (gssize)out->len, NULL)) rename(temporary, path);
    g_free(temporary);
    g_string_assign(last_report, out->str);
}

static inline void set_accessible_name(GtkWidget *widget, const char *name) {
    atk_object_set_name(gtk_widget_get_accessible(widget), name);
}

#endif
