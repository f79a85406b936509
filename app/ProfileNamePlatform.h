#pragma once
#include <string>

// Shared by ProfileEditor.cpp and the platform's part (app/<platform>/).
namespace remorra {

// Whether `c` separates folders in this platform's paths.
bool IsPathSeparator(char c);
// Why this platform's file systems refuse `name` + ".xml" as a file name;
// empty when they take it. Empty names, "." and "..", separators and control
// characters are refused before this is asked.
std::string PlatformProfileNameRefusal(const std::string& name);

} // namespace remorra
