#include "platform/os/Environment.h"

#include <cstdlib>

namespace remorra::os {

void setEnvironment(const char* name, const char* value, bool overwrite)
{
    if (!overwrite && std::getenv(name))
        return;
    _putenv_s(name, value);
}

const char* nullDevicePath() { return "NUL"; }

} // namespace remorra::os
