// A GTK 3 window with one field, a GtkEntry or (--textview) a multi-line
// GtkTextView, typed into by typing-matrix.sh. After every change it writes
// its state as one JSON object to STATE_FILE (a temporary file renamed over
// it, so a reader never sees half a state), in the same form as
// halvora-client-qt: text, caret, images, resets, field, marks, clear.
// Pastes whose clipboard offers an image are counted, as a chat field would
// attach the image.
//
//   halvora-client-gtk [--textview] STATE_FILE

#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Client {
    const char* stateFile = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* field = nullptr;
    GtkWidget* clear = nullptr;
    bool textView = false;
    int images = 0;
    int resets = 0;
};

void appendJsonString(std::string& out, const char* text) {
    out += '"';
    for (const char* p = text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

// A point of `widget` on the screen.
void appendPoint(std::string& out, GtkWidget* widget, int x, int y) {
    GtkWidget* top = gtk_widget_get_toplevel(widget);
    int tx = x;
    int ty = y;
    gtk_widget_translate_coordinates(widget, top, x, y, &tx, &ty);
    int ox = 0;
    int oy = 0;
    if (GdkWindow* window = gtk_widget_get_window(top)) {
        gdk_window_get_origin(window, &ox, &oy);
    }
    out += "[" + std::to_string(ox + tx) + "," + std::to_string(oy + ty) + "]";
}

void writeState(Client& c) {
    std::string json = "{\"text\":";
    std::string marks = "[";
    int caret = 0;
    if (c.textView) {
        GtkTextView* view = GTK_TEXT_VIEW(c.field);
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(view);
        GtkTextIter start;
        GtkTextIter end;
        gtk_text_buffer_get_bounds(buffer, &start, &end);
        gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
        appendJsonString(json, text);
        GtkTextIter insert;
        gtk_text_buffer_get_iter_at_mark(buffer, &insert, gtk_text_buffer_get_insert(buffer));
        caret = gtk_text_iter_get_offset(&insert);
        const int length = static_cast<int>(g_utf8_strlen(text, -1));
        for (int i = 0; i <= length; ++i) {
            GtkTextIter at;
            gtk_text_buffer_get_iter_at_offset(buffer, &at, i);
            GdkRectangle r;
            gtk_text_view_get_iter_location(view, &at, &r);
            int wx = 0;
            int wy = 0;
            gtk_text_view_buffer_to_window_coords(view, GTK_TEXT_WINDOW_WIDGET, r.x,
                                                  r.y + r.height / 2, &wx, &wy);
            if (i > 0) marks += ",";
            appendPoint(marks, c.field, wx, wy);
        }
        g_free(text);
    } else {
        GtkEntry* entry = GTK_ENTRY(c.field);
        const char* text = gtk_entry_get_text(entry);
        appendJsonString(json, text);
        caret = gtk_editable_get_position(GTK_EDITABLE(entry));
        PangoLayout* layout = gtk_entry_get_layout(entry);
        // The layout also holds the pre-edit text, which the entry's own
        // text does not: only its characters are marked.
        const char* shown = pango_layout_get_text(layout);
        int lx = 0;
        int ly = 0;
        gtk_entry_get_layout_offsets(entry, &lx, &ly);
        const int length = static_cast<int>(g_utf8_strlen(text, -1));
        const int height = gtk_widget_get_allocated_height(c.field);
        for (int i = 0; i <= length && i <= g_utf8_strlen(shown, -1); ++i) {
            PangoRectangle r;
            const int index = static_cast<int>(g_utf8_offset_to_pointer(shown, i) - shown);
            pango_layout_index_to_pos(layout, index, &r);
            if (i > 0) marks += ",";
            appendPoint(marks, c.field, lx + r.x / PANGO_SCALE, height / 2);
        }
    }
    marks += "]";
    json += ",\"caret\":" + std::to_string(caret);
    json += ",\"images\":" + std::to_string(c.images);
    json += ",\"resets\":" + std::to_string(c.resets);
    json += ",\"marks\":" + marks;
    json += ",\"field\":";
    appendPoint(json, c.field, 40, 16);
    json += ",\"clear\":";
    appendPoint(json, c.clear, gtk_widget_get_allocated_width(c.clear) / 2,
                gtk_widget_get_allocated_height(c.clear) / 2);
    json += "}";
    const std::string temporary = std::string(c.stateFile) + ".tmp";
    if (FILE* out = std::fopen(temporary.c_str(), "w")) {
        std::fwrite(json.data(), 1, json.size(), out);
        std::fclose(out);
        std::rename(temporary.c_str(), c.stateFile);
    }
}

void onChanged(gpointer data) { writeState(*static_cast<Client*>(data)); }

void onTargets(GtkClipboard*, GdkAtom* atoms, gint count, gpointer data) {
    auto& c = *static_cast<Client*>(data);
    if (atoms != nullptr && gtk_targets_include_image(atoms, count, FALSE)) {
        ++c.images;
        writeState(c);
    }
}

void onPaste(GtkWidget* widget, gpointer data) {
    gtk_clipboard_request_targets(gtk_widget_get_clipboard(widget, GDK_SELECTION_CLIPBOARD),
                                  onTargets, data);
}

void onClear(GtkButton*, gpointer data) {
    auto& c = *static_cast<Client*>(data);
    if (c.textView) {
        gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(c.field)), "", -1);
    } else {
        gtk_entry_set_text(GTK_ENTRY(c.field), "");
    }
    c.images = 0;
    ++c.resets;
    writeState(c);
}

gboolean writeLater(gpointer data) {
    writeState(*static_cast<Client*>(data));
    return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    Client c;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--textview") == 0) {
            c.textView = true;
        } else {
            c.stateFile = argv[i];
        }
    }
    if (c.stateFile == nullptr) {
        std::fprintf(stderr, "usage: halvora-client-gtk [--textview] STATE_FILE\n");
        return 2;
    }
    c.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(c.window), "Halvora client GTK");
    gtk_window_move(GTK_WINDOW(c.window), 20, 20);
    g_signal_connect(c.window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_add(GTK_CONTAINER(c.window), box);

    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, "entry, textview { font: 20px \"DejaVu Sans Mono\"; }",
                                    -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    if (c.textView) {
        c.field = gtk_text_view_new();
        gtk_widget_set_size_request(c.field, 760, 160);
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(c.field));
        g_signal_connect_swapped(buffer, "changed", G_CALLBACK(onChanged), &c);
        g_signal_connect_swapped(buffer, "mark-set", G_CALLBACK(onChanged), &c);
    } else {
        c.field = gtk_entry_new();
        gtk_widget_set_size_request(c.field, 760, -1);
        g_signal_connect_swapped(c.field, "changed", G_CALLBACK(onChanged), &c);
        g_signal_connect_swapped(c.field, "notify::cursor-position", G_CALLBACK(onChanged), &c);
    }
    g_signal_connect(c.field, "paste-clipboard", G_CALLBACK(onPaste), &c);
    gtk_box_pack_start(GTK_BOX(box), c.field, TRUE, TRUE, 0);
    c.clear = gtk_button_new_with_label("Clear");
    // Clicking the button must not take the focus from the field's input context.
    gtk_widget_set_can_focus(c.clear, FALSE);
    g_signal_connect(c.clear, "clicked", G_CALLBACK(onClear), &c);
    gtk_box_pack_start(GTK_BOX(box), c.clear, FALSE, FALSE, 0);

    gtk_widget_show_all(c.window);
    gtk_widget_grab_focus(c.field);
    gtk_window_present(GTK_WINDOW(c.window));
    // Screen positions are known once the window is mapped.
    g_timeout_add(200, writeLater, &c);
    gtk_main();
    return 0;
}
