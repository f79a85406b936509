#include "platform/os/Environment.h"

#include <cstdlib>

namespace remorra::os {

void setEnvironment(const char* name, const char* value, bool overwrite) { ::setenv(name, value, overwrite ? 1 : 0); }
const char* nullDevicePath() { return "/dev/null"; }

} // namespace remorra::os
