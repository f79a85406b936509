#include "app/HotKeyText.h"

#include <gtest/gtest.h>

using remorra::HotKeyText;

TEST(HotKeyText, SpellsModifiersInTheControlsOrder) {
    struct { std::uint32_t vk, mods; const char* text; } cases[] = {
        {0, 0, "None"},
        {0, 8, "None"},
        {0x41, 3, "Ctrl + Shift + A"},
        {0x41, 7, "Ctrl + Shift + Alt + A"},
        {0x26, 8, "Up"},
        {0, 4, "Alt + "},
        {0x141, 0, "A"},
        {0x07, 2, "Ctrl + VK 0x07"},
    };
    for (const auto& c : cases) EXPECT_EQ(HotKeyText(c.vk, c.mods), c.text) << c.vk << "/" << c.mods;
}
