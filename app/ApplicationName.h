#pragma once
// The application's name, the caption of the window's own message boxes: the
// executable's file name without its folder and extension ("Orbilane" for
// ...\Orbilane.exe).
#include <string>

std::string ApplicationNameFromPath(const std::string& path);
