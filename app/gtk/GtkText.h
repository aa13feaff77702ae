#pragma once
// The system's texts are narrow single-byte strings (Windows code page 1252);
// GTK shows UTF-8. Our own texts are plain ASCII, which is both; any other
// byte is taken as code page 1252, so no text is lost or refused by GTK.
#include <string>

namespace gtktext {

std::string ForDisplay(const std::string& text);

}  // namespace gtktext
