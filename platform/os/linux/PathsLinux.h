#pragma once
#include <string>

// Shared by the Linux units of platform/.
namespace remorra::os {

// The folder part of `path`: "." when it has none, "/" for a file in the root.
std::string parentOf(const std::string& path);
// Creates the missing folders along `path` and `path` itself (0700, as the
// base-directory rules ask), like mkdir -p. On failure, the errno of the
// first folder that could not be made, which `failed` names; else 0.
int makeFolders(const std::string& path, std::string& failed);

} // namespace remorra::os
