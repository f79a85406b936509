#pragma once
// The kernel's view of a decoded frame: its protocol name and scancode, as the
// kernel's own IR decoders give them, so that a keymap written for ir-keytable
// means the same here. The toggle and repeat flags travel beside the scancode.
#include "tmIrTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace remorra::keys {

enum class IrProtocol : std::uint8_t { None, Nec, Necx, Nec32, Rc5, Rc6_0, Rc6_6a_32, Rc6Mce };
// Scancodes are looked up within a family, as the kernel looks them up in the
// table of whatever protocol it decoded.
enum class IrFamily : std::uint8_t { None, Nec, Rc5, Rc6 };

struct IrCode {
    IrProtocol protocol = IrProtocol::None;
    std::uint32_t scancode = 0;
    bool toggle = false; // RC5/RC6 only: flips on each new press
    bool repeat = false; // NEC repeat code; for RC5/RC6 set by whoever tracks presses
    friend bool operator==(const IrCode&, const IrCode&) = default;
};

// "nec", "necx", "nec32", "rc5", "rc6_0", "rc6_6a_32", "rc6_mce"; "" for None.
const char* ProtocolName(IrProtocol p);
std::optional<IrProtocol> ParseProtocolName(std::string_view name);
IrFamily FamilyOf(IrProtocol p);
// "necx 0x866b12": how the tools and the learning dialog show a code.
std::string ScancodeText(const IrCode& code);

// NEC from the four bytes as sent (address, its inverse, command, its inverse).
IrCode NecCode(std::uint8_t a, std::uint8_t notA, std::uint8_t c, std::uint8_t notC, bool repeat);

// The code of a decoder report (OnIrKey's arguments); false for records the
// kernel has no protocol for (NEC 24-bit) and for unknown types.
bool CodeOfReport(std::int32_t decoderType, const void* report, IrCode& code);

// A code in one word, for slots handed between threads without a lock. The
// marker bit is always set, so an empty slot (0) never reads as a code.
inline constexpr std::uint64_t kPackedIrCodeMark = 1ull << 63;
std::uint64_t PackIrCode(const IrCode& c);
IrCode UnpackIrCode(std::uint64_t w);

} // namespace remorra::keys
