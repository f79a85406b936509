#pragma once
// Linux keyboard injectors. Both return null when they cannot be opened, so
// that the selection can fall back to the next one.
#include "keys/KeyOutput.h"

#include <memory>

namespace remorra::keys {

// XTest on the display `displayName` (null: $DISPLAY). Null when no display
// is reachable or the server lacks the XTest extension.
std::unique_ptr<IKeyOutput> CreateXTestKeyOutput(const char* displayName = nullptr);

// One virtual keyboard through /dev/uinput, created here and kept for the
// output's lifetime. Null (with a log line) when the device cannot be made.
std::unique_ptr<IKeyOutput> CreateUinputKeyOutput();

} // namespace remorra::keys
