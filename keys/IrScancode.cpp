#include "keys/IrScancode.h"

#include <cstdio>

namespace remorra::keys {
namespace {

struct ProtocolInfo {
    IrProtocol protocol;
    const char* name;
    IrFamily family;
};
constexpr ProtocolInfo kProtocols[] = {
    {IrProtocol::Nec, "nec", IrFamily::Nec},         {IrProtocol::Necx, "necx", IrFamily::Nec},
    {IrProtocol::Nec32, "nec32", IrFamily::Nec},     {IrProtocol::Rc5, "rc5", IrFamily::Rc5},
    {IrProtocol::Rc6_0, "rc6_0", IrFamily::Rc6},     {IrProtocol::Rc6_6a_32, "rc6_6a_32", IrFamily::Rc6},
    {IrProtocol::Rc6Mce, "rc6_mce", IrFamily::Rc6},
};

// Mode 6A frames of this customer code are Media Center remotes; bit 15 of
// their data is the toggle, which the kernel clears from the scancode.
constexpr std::uint32_t kMceCustomerMask = 0xFFFF0000u;
constexpr std::uint32_t kMceCustomer = 0x800F0000u;
constexpr std::uint32_t kMceToggle = 0x8000u;
// The edge entry's RC6 header: bit 20 marks a walked frame, bits 17-19 the
// mode, bit 16 the trailer bit, the low 16 bits the control field.
constexpr std::uint32_t kRc6HeaderWalked = 1u << 20;

IrCode Rc5Code(const tmIrRc5Report& r) {
    IrCode code;
    code.protocol = IrProtocol::Rc5;
    // The field bit is the inverted seventh command bit (RC5X).
    code.scancode = (std::uint32_t{r.group} << 8) | (r.command & 0x3Fu) | (r.field ? 0u : 0x40u);
    code.toggle = r.toggle == 1;
    return code;
}

bool Rc6Code(const tmIrRc6Report& r, IrCode& code) {
    code = {};
    if (r.header & kRc6HeaderWalked) {
        if (((r.header >> 17) & 7u) != 6u) return false;
        const std::uint32_t data = ((r.header & 0xFFFFu) << 16) | r.information;
        if ((data & kMceCustomerMask) == kMceCustomer) {
            code.protocol = IrProtocol::Rc6Mce;
            code.toggle = (data & kMceToggle) != 0;
            code.scancode = data & ~kMceToggle;
        } else {
            code.protocol = IrProtocol::Rc6_6a_32;
            code.scancode = data;
        }
        return true;
    }
    // The sample entry's mode 0 frame: the trailer bit is the toggle.
    code.protocol = IrProtocol::Rc6_0;
    code.scancode = ((r.control & 0xFFu) << 8) | (r.information & 0xFFu);
    code.toggle = (r.header & 1u) != 0;
    return true;
}

} // namespace

const char* ProtocolName(IrProtocol p) {
    for (const ProtocolInfo& info : kProtocols)
        if (info.protocol == p) return info.name;
    return "";
}

std::optional<IrProtocol> ParseProtocolName(std::string_view name) {
    for (const ProtocolInfo& info : kProtocols)
        if (name == info.name) return info.protocol;
    return std::nullopt;
}

IrFamily FamilyOf(IrProtocol p) {
    for (const ProtocolInfo& info : kProtocols)
        if (info.protocol == p) return info.family;
    return IrFamily::None;
}

IrCode NecCode(std::uint8_t a, std::uint8_t notA, std::uint8_t c, std::uint8_t notC, bool repeat) {
    IrCode code;
    code.repeat = repeat;
    if ((c ^ notC) != 0xFF) {
        code.protocol = IrProtocol::Nec32;
        code.scancode = std::uint32_t{notA} << 24 | std::uint32_t{a} << 16 | std::uint32_t{notC} << 8 | c;
    } else if ((a ^ notA) != 0xFF) {
        code.protocol = IrProtocol::Necx;
        code.scancode = std::uint32_t{a} << 16 | std::uint32_t{notA} << 8 | c;
    } else {
        code.protocol = IrProtocol::Nec;
        code.scancode = std::uint32_t{a} << 8 | c;
    }
    return code;
}

bool CodeOfReport(std::int32_t decoderType, const void* report, IrCode& code) {
    if (!report) return false;
    switch (decoderType) {
    case TM_IR_DECODER_NEC: {
        // Only frames whose command check passed arrive here.
        const auto& r = *static_cast<const tmIrNecReport*>(report);
        code = NecCode(static_cast<std::uint8_t>(r.address), static_cast<std::uint8_t>(r.address >> 8), r.command,
                       static_cast<std::uint8_t>(~r.command), r.repeat != 0);
        return true;
    }
    case TM_IR_DECODER_NEC32: {
        const auto& r = *static_cast<const tmIrNec32Report*>(report);
        code = NecCode(r.bytes[0], r.bytes[1], r.bytes[2], r.bytes[3], r.repeat != 0);
        return true;
    }
    case TM_IR_DECODER_RC5: code = Rc5Code(*static_cast<const tmIrRc5Report*>(report)); return true;
    case TM_IR_DECODER_RC6: return Rc6Code(*static_cast<const tmIrRc6Report*>(report), code);
    default: return false;
    }
}

std::uint64_t PackIrCode(const IrCode& c) {
    return kPackedIrCodeMark | std::uint64_t{c.repeat ? 1u : 0u} << 48 |
           std::uint64_t{static_cast<std::uint8_t>(c.protocol)} << 40 | std::uint64_t{c.toggle ? 1u : 0u} << 32 |
           c.scancode;
}

IrCode UnpackIrCode(std::uint64_t w) {
    IrCode c;
    c.repeat = ((w >> 48) & 1u) != 0;
    c.protocol = static_cast<IrProtocol>((w >> 40) & 0xFFu);
    c.toggle = ((w >> 32) & 1u) != 0;
    c.scancode = static_cast<std::uint32_t>(w);
    return c;
}

std::string ScancodeText(const IrCode& code) {
    char text[48];
    std::snprintf(text, sizeof text, "%s 0x%x", ProtocolName(code.protocol), static_cast<unsigned>(code.scancode));
    return text;
}

} // namespace remorra::keys
