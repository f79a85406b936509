// Every sample entry over windows of any length and content, with the sample
// period chosen by the input. The window is an exact-size heap copy, so any
// read past its end is caught by the address sanitizer.
#include "FuzzInput.h"
#include "NEC_Decoder.h"
#include "OSDependTimeOut.h"
#include "RC5_Decoder.h"
#include "RC6_Decoder.h"

#include <memory>

using remorra::fuzz::fail;
using remorra::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t which = in.u8() & 3;
    const std::uint32_t period = 1 + in.u16() % 2000; // µs
    const std::string_view bytes = in.rest();
    auto window = std::make_unique<std::uint8_t[]>(bytes.size() ? bytes.size() : 1);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        window[i] = static_cast<std::uint8_t>(bytes[i]) & 1; // the front end hands over 0/1
    const auto count = static_cast<std::uint32_t>(bytes.size());
    tmCOSDependTimeOut timeOut;
    std::int32_t rc = -1;
    switch (which) {
    case 0:
    case 1: {
        CNEC_Decoder nec(&timeOut, period, 1680);
        if (which == 0) {
            tmIrNecReport r{};
            rc = nec.DecodeSamples32(window.get(), count, &r);
            if (rc != 0 && rc != 1 && rc != 3 && rc != 7)
                fail("NEC 32 sample entry returned an unknown code");
        } else {
            tmIrNec24Report r{};
            rc = nec.DecodeSamples40(window.get(), count, &r);
            if (rc != 0 && rc != 1 && rc != 3 && rc != 7)
                fail("NEC 40 sample entry returned an unknown code");
        }
        break;
    }
    case 2: {
        CRC5_Decoder rc5(&timeOut, period, 1778, nullptr);
        tmIrRc5Report r{};
        rc = rc5.DecodeSamples(window.get(), count, &r);
        if (rc == 0 && (r.command > 0x7F || r.group > 0x1F || r.toggle > 1))
            fail("RC5 sample report out of its fields' ranges");
        if (rc != 0 && (r.command != 0xFF || r.group != 0xFF || r.toggle != 0xFF))
            fail("RC5 sample failure without the 0xFF record");
        break;
    }
    default: {
        CRC6_Decoder rc6(&timeOut, period, 444, nullptr);
        tmIrRc6Report r{};
        rc = rc6.DecodeSamples(window.get(), count, &r);
        if (rc != 9 && rc != 1 && rc != 3 && rc != 5)
            fail("RC6 sample entry returned an unknown code");
        if (rc == 9 && (r.header > 1 || r.control > 0xFF || r.information > 0xFF))
            fail("RC6 sample report wider than mode 0 fields");
        break;
    }
    }
    if (std::getenv("REMORRA_FUZZ_VERBOSE"))
        std::fprintf(stderr, "entry %d period %u count %u: %d\n", which, period, count, rc);
    return 0;
}
