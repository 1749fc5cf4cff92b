// The desktop's request for less animation on Linux: GNOME's "Reduce
// animation", the key enable-animations of org.gnome.desktop.interface, read
// through GIO only where that schema is installed, so that the game needs no
// GNOME. GSettings tells of a change through GLib's main context, which the
// game runs for a moment at the wake-ups it makes anyway.
#include <gio/gio.h>

#include <cstring>

#include "app/app.h"

namespace {

constexpr char interfaceSchema[] = "org.gnome.desktop.interface";
constexpr char animationsKey[] = "enable-animations";

GSettings* interfaceSettings = nullptr;  // nullptr where the schema or its key is missing

void readAnimations() { gameState.lessMotion = g_settings_get_boolean(interfaceSettings, animationsKey) == FALSE; }

void onAnimationsChanged(GSettings*, gchar*, gpointer) { readAnimations(); }

// True when GSettings knows the schema and its key: asking for an unknown
// schema would abort the program.
bool schemaInstalled() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, interfaceSchema, TRUE);
    if (schema == nullptr) return false;
    const bool hasKey = g_settings_schema_has_key(schema, animationsKey) != FALSE;
    g_settings_schema_unref(schema);
    return hasKey;
}

// dconf, GSettings' usual store, complains on standard error where it
// cannot make its cache (a home that cannot be written, no session); the
// game then simply goes on with the desktop's default. Its messages are
// dropped, GLib's others written as GLib would.
GLogWriterOutput writeLog(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
    for (gsize i = 0; i < count; ++i) {
        const bool fromDconf = std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0 &&
                               std::strcmp(static_cast<const char*>(fields[i].value), "dconf") == 0;
        if (fromDconf) return G_LOG_WRITER_HANDLED;
    }
    return g_log_writer_default(level, fields, count, data);
}

}  // namespace

void watchMotionPreference() {
    if (interfaceSettings != nullptr || !schemaInstalled()) return;
    g_log_set_writer_func(writeLog, nullptr, nullptr);
    interfaceSettings = g_settings_new(interfaceSchema);
    g_signal_connect(interfaceSettings, "changed::enable-animations", G_CALLBACK(onAnimationsChanged), nullptr);
    readAnimations();
}

void followMotionPreference() {
    if (interfaceSettings == nullptr) return;
    // Dispatches what GLib has pending, the change signal among it; never waits.
    while (g_main_context_iteration(nullptr, FALSE) != FALSE) {
    }
}
