#include "platform/os/Console.h"

namespace remorra::os {

void useBinaryStandardStreams() {}

} // namespace remorra::os
