#pragma once
#include <string>

// Shared by the Linux units of platform/os.
namespace remorra::os {

// The folder part of `path`: "." when it has none, "/" for a file in the root.
std::string parentOf(const std::string& path);

} // namespace remorra::os
