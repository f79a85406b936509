#include "keys/linux/LinuxKeyOutputs.h"
#include "platform/os/AppLog.h"

#include <cstdlib>
#include <cstring>

namespace remorra::keys {

std::unique_ptr<IKeyOutput> CreateKeyOutput() {
    const char* forced = std::getenv("REMORRA_KEYS");
    std::unique_ptr<IKeyOutput> out;
    if (forced && *forced) {
        if (std::strcmp(forced, "xtest") == 0) {
            out = CreateXTestKeyOutput();
        } else if (std::strcmp(forced, "uinput") == 0) {
            out = CreateUinputKeyOutput();
        } else if (std::strcmp(forced, "log") != 0) {
            WriteLog(L"Keyboard output: unknown REMORRA_KEYS value \"%s\" (xtest, uinput or log)", forced);
        }
        if (!out) {
            if (std::strcmp(forced, "log") != 0)
                WriteLog(L"Keyboard output: \"%s\" cannot be opened, key strokes go to this log", forced);
            out = std::make_unique<LogKeyOutput>();
        }
    } else {
        out = CreateXTestKeyOutput();
        if (!out) out = CreateUinputKeyOutput();
        if (!out) {
            WriteLog(L"Keyboard output: neither an X display nor /dev/uinput can be used, "
                     L"key strokes go to this log");
            out = std::make_unique<LogKeyOutput>();
        }
    }
    WriteLog(L"Keyboard output: %s", out->backendName());
    return out;
}

} // namespace remorra::keys
