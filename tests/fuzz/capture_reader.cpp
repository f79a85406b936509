// The capture-file reader over arbitrary text: it either yields a timeline
// that starts and ends with a burst and survives a mode2 round trip, or names
// the file and line and yields nothing.
#include "FuzzInput.h"
#include "platform/tuner/IrCapture.h"

using namespace remorra::tuner;
using remorra::fuzz::fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Timeline t;
    std::string error;
    if (!parseCapture(text, "in", t, error)) {
        if (!t.empty() || error.rfind("in:", 0) != 0)
            fail("a refused capture left a timeline or an unnamed error");
        return 0;
    }
    if (t.empty() || t.size() % 2 == 0)
        fail("a timeline must start and end with a burst");
    for (std::uint32_t d : t)
        if (d == 0)
            fail("zero duration in a timeline");
    Timeline again;
    if (!parseCapture(toMode2(t), "again", again, error) || again != t)
        fail("mode2 round trip changed the timeline");
    return 0;
}
