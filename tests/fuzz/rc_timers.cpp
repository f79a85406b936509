// The RC5 and RC6 decoders driven directly, with their timer passes placed by
// the input between edges: the orderings a busy window thread can produce.
// Each input byte is an operation: 0-5 an edge after an interval (next 16 bits,
// top bit scales by 16), 6 the RC6 timer pass, 7 the RC5 timer pass; the
// periodic timers also fire as the virtual clock passes them.
#include "FuzzInput.h"
#include "RcSupport.h"

#include "RC5_Decoder.h"
#include "RC6_Decoder.h"

using namespace remorra;
using remorra::fuzz::fail;
using remorra::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    os::VirtualTimeService vt;
    os::ScopedTimeService scope(vt);
    vt.advanceMs(1000);
    test::RecordingSink sink;
    tmCOSDependTimeOut timeOut;
    CRC6_Decoder rc6(&timeOut, 220, 444, &sink);
    CRC5_Decoder rc5(&timeOut, 220, 1778, &sink);
    int rc5Edges = 0;
    for (int ops = 0; !in.empty() && ops < 8192; ++ops) {
        switch (in.u8() % 8) {
        case 6:
            rc6.OnTimeOut();
            break;
        case 7:
            rc5.OnTimeOut();
            break;
        default: {
            const std::uint16_t v = in.u16();
            vt.advanceUs(v & 0x8000 ? std::int64_t{v & 0x7FFF} * 16 : v);
            tmIrRc6Report r6{};
            tmIrRc5Report r5{};
            if (rc6.DecodeEdge(&r6, nullptr) != TM_IR_DECODER_IN_PROGRESS)
                fail("the RC6 edge entry reports only through its timer");
            const std::int32_t rc = rc5.DecodeEdge(&r5, nullptr);
            if (rc != TM_IR_DECODER_OK && rc != TM_IR_DECODER_IN_PROGRESS)
                fail("RC5 edge entry returned an unknown code");
            if (rc == TM_IR_DECODER_OK && (r5.command > 0x3F || r5.group > 0x1F || r5.toggle > 1))
                fail("RC5 edge report out of its fields' ranges");
            ++rc5Edges;
            break;
        }
        }
    }
    vt.advanceMs(1000);
    for (const auto& r : sink.rc6)
        if ((r.header >> 17 & 0xFu) != 0xEu)
            fail("an RC6 report without start bit and mode 6");
    // Fourteen bits need at least seven burst starts, and a frame is
    // reported once, so reports cannot outnumber the frames the edges carry.
    if (sink.rc5.size() * 6 > static_cast<std::size_t>(rc5Edges) + 6)
        fail("more RC5 reports than frames could carry");
    return 0;
}
