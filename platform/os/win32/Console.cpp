#include "platform/os/Console.h"

#include <fcntl.h>
#include <io.h>
#include <cstdio>

namespace remorra::os {

void useBinaryStandardStreams()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace remorra::os
