#pragma once
#include <string>

// "Version: 1.0.1.0 " (note the trailing blank) from the version the build
// gives the program, or "" when the build carries none.
std::string GetVersionString();
