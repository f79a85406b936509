#include "keys/IrScancode.h"

#include <gtest/gtest.h>

using namespace remorra::keys;

TEST(Scancode, NecVariantsFollowTheInverseBytes) {
    struct Case {
        std::uint8_t a, notA, c, notC;
        IrProtocol protocol;
        std::uint32_t scancode;
    } cases[] = {
        {0x04, 0xFB, 0x84, 0x7B, IrProtocol::Nec, 0x0484},        // both inverses
        {0x86, 0x6B, 0x12, 0xED, IrProtocol::Necx, 0x866B12},     // address not inverted
        {0x00, 0x00, 0x12, 0xED, IrProtocol::Necx, 0x000012},     // necx even when it looks small
        {0x85, 0x30, 0x09, 0xF0, IrProtocol::Nec32, 0x3085F009},  // command not inverted
        {0x04, 0xFB, 0x84, 0x84, IrProtocol::Nec32, 0xFB048484},  // nec32 wins over a good address
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << k.scancode);
        const IrCode code = NecCode(k.a, k.notA, k.c, k.notC, false);
        EXPECT_EQ(code.protocol, k.protocol);
        EXPECT_EQ(code.scancode, k.scancode);
    }
}

TEST(Scancode, DecoderReportsGiveTheKernelCodes) {
    tmIrNecReport nec{};
    nec.address = 0xFB04, nec.command = 0x84, nec.repeat = 1;
    const tmIrNec32Report nec32{{0x85, 0x30, 0x09, 0xF0}, 0};
    // The field bit adds 0x40 when clear, whatever the command byte says.
    const tmIrRc5Report rc5Field1{0x39, 0x07, 1, 1}, rc5Field0{0x17, 0x0A, 0, 0}, rc5Sampled{0x57, 0x0A, 0, 0};
    const tmIrRc6Report mce{0x1C800F, 0, 0x840C}, mceNoToggle{0x1C800F, 0, 0x040C};
    const tmIrRc6Report other6a{0x1C1234, 0, 0x8001}, mode0{1, 0x12, 0x34}, mode3{0x160000, 0, 0};
    struct Case {
        const char* name;
        std::int32_t type;
        const void* report;
        IrCode code;
    } cases[] = {
        {"nec repeat", TM_IR_DECODER_NEC, &nec, {IrProtocol::Nec, 0x0484, false, true}},
        {"nec32", TM_IR_DECODER_NEC32, &nec32, {IrProtocol::Nec32, 0x3085F009, false, false}},
        {"rc5 field 1", TM_IR_DECODER_RC5, &rc5Field1, {IrProtocol::Rc5, 0x0739, true, false}},
        {"rc5 field 0", TM_IR_DECODER_RC5, &rc5Field0, {IrProtocol::Rc5, 0x0A57, false, false}},
        {"rc5 sampled", TM_IR_DECODER_RC5, &rc5Sampled, {IrProtocol::Rc5, 0x0A57, false, false}},
        {"mce toggle", TM_IR_DECODER_RC6, &mce, {IrProtocol::Rc6Mce, 0x800F040C, true, false}},
        {"mce", TM_IR_DECODER_RC6, &mceNoToggle, {IrProtocol::Rc6Mce, 0x800F040C, false, false}},
        {"6a keeps bit 15", TM_IR_DECODER_RC6, &other6a, {IrProtocol::Rc6_6a_32, 0x12348001, false, false}},
        {"mode 0", TM_IR_DECODER_RC6, &mode0, {IrProtocol::Rc6_0, 0x1234, true, false}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        IrCode code;
        ASSERT_TRUE(CodeOfReport(k.type, k.report, code));
        EXPECT_EQ(code, k.code);
    }
    IrCode code;
    const tmIrNec24Report nec24{};
    EXPECT_FALSE(CodeOfReport(TM_IR_DECODER_NEC24, &nec24, code));
    EXPECT_FALSE(CodeOfReport(TM_IR_DECODER_RC6, &mode3, code));
}

TEST(Scancode, ProtocolNamesRoundTrip) {
    for (IrProtocol p : {IrProtocol::Nec, IrProtocol::Necx, IrProtocol::Nec32, IrProtocol::Rc5, IrProtocol::Rc6_0,
                         IrProtocol::Rc6_6a_32, IrProtocol::Rc6Mce}) {
        SCOPED_TRACE(ProtocolName(p));
        EXPECT_EQ(ParseProtocolName(ProtocolName(p)), p);
    }
    EXPECT_FALSE(ParseProtocolName("sony12"));
}
