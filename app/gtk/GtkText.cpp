#include "app/gtk/GtkText.h"

#include <glib.h>

namespace gtktext {

std::string ForDisplay(const std::string& text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return text;
    }
    gsize written = 0;
    gchar* converted = g_convert_with_fallback(text.data(), static_cast<gssize>(text.size()), "UTF-8",
                                               "WINDOWS-1252", "?", nullptr, &written, nullptr);
    if (converted == nullptr) {
        return std::string(text.size(), '?');
    }
    std::string result(converted, written);
    g_free(converted);
    return result;
}

}  // namespace gtktext
