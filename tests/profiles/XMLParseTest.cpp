#include "keys/XMLParse.h"
#include "platform/os/Files.h"
#include "TestDocs.h"

#include <gtest/gtest.h>

using namespace remorra;

namespace {
std::string writeTemp(const test::TempDocuments& d, const std::string& text) {
    std::string p = (d.path / "doc.xml").string();
    EXPECT_TRUE(os::writeFileAtomically(p, text));
    return p;
}
} // namespace

TEST(XMLParse, SelectNodeAndIntegerText) {
    test::TempDocuments d;
    std::string p = writeTemp(d, "<RemoteSetting><a> 42abc</a><b>x<c>7</c>1</b><n>-5</n><t>abc</t></RemoteSetting>");
    XMLParse x;
    ASSERT_TRUE(x.Load(p.c_str()));
    auto root = x.SelectNode({}, "RemoteSetting");
    ASSERT_TRUE(root);
    EXPECT_FALSE(x.SelectNode({}, "Other"));
    struct { const char* name; int value; } cases[] = {{"a", 42}, {"b", 0}, {"n", -5}, {"t", 0}, {"missing", 0}};
    for (auto& c : cases) EXPECT_EQ(x.GetNodeInt(x.SelectNode(root, c.name)), c.value) << c.name;
    // Joined text of child elements: "x71" -> 0, but "<c>7</c>1" alone -> 71.
    ASSERT_TRUE(os::writeFileAtomically(p, "<r><b><c>7</c>1</b></r>"));
    ASSERT_TRUE(x.Load(p.c_str()));
    EXPECT_EQ(x.GetNodeInt(x.SelectNode(x.SelectNode({}, "r"), "b")), 71);
}

TEST(XMLParse, FailedLoadGivesNoNodesAndNoSave) {
    test::TempDocuments d;
    std::string p = writeTemp(d, "<broken>");
    XMLParse x;
    EXPECT_FALSE(x.Load(p.c_str()));
    EXPECT_FALSE(x.Load(nullptr));
    EXPECT_FALSE(x.SelectNode({}, "broken"));
    EXPECT_FALSE(x.SetNodeInt({}, 1));
    EXPECT_FALSE(x.Save(p));
    std::string back;
    os::readWholeFile(p, back);
    EXPECT_EQ(back, "<broken>");
}

TEST(XMLParse, SaveKeepsEverythingElse) {
    test::TempDocuments d;
    const std::string original =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- note -->\n<RemoteSetting v=\"1\">\n"
        "\t<Power><Shift>0</Shift><Extra a=\"b\">keep ü</Extra></Power>\n</RemoteSetting>\n";
    std::string p = writeTemp(d, original);
    XMLParse x;
    ASSERT_TRUE(x.Load(p.c_str()));
    auto shift = x.SelectNode(x.SelectNode(x.SelectNode({}, "RemoteSetting"), "Power"), "Shift");
    ASSERT_TRUE(x.SetNodeInt(shift, -5));
    ASSERT_TRUE(x.Save(p));
    std::string back;
    os::readWholeFile(p, back);
    std::string expected = original;
    expected.replace(expected.find("<Shift>0"), 8, "<Shift>-5");
    EXPECT_EQ(back, expected);
}

namespace {
// The document in another encoding; its only non-ASCII character is U+00E9.
std::string encoded(std::string utf8, pugi::xml_encoding as) {
    if (as == pugi::encoding_utf8) return utf8;
    for (auto at = utf8.find("\xC3\xA9"); at != std::string::npos; at = utf8.find("\xC3\xA9"))
        utf8.replace(at, 2, "\xE9");
    if (as == pugi::encoding_latin1) return utf8;
    std::string wide;
    for (char c : utf8) {
        const std::string unit{c, '\0'};
        wide += as == pugi::encoding_utf16_le ? unit : std::string{'\0', c};
    }
    return wide;
}
} // namespace

TEST(XMLParse, SaveWritesTheDocumentsOwnEncoding) {
    struct {
        const char* declared;
        pugi::xml_encoding encoding;
        std::string bom;
    } cases[] = {{"ISO-8859-1", pugi::encoding_latin1, ""},
                 {"UTF-16", pugi::encoding_utf16_le, "\xFF\xFE"},
                 {"UTF-16", pugi::encoding_utf16_be, "\xFE\xFF"},
                 {"UTF-8", pugi::encoding_utf8, "\xEF\xBB\xBF"},
                 {"UTF-8", pugi::encoding_utf8, ""}};
    test::TempDocuments d;
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.declared << " encoding " << c.encoding << " bom " << c.bom.size());
        const std::string text = std::string("<?xml version=\"1.0\" encoding=\"") + c.declared +
                                 "\"?>\n<!-- caf\xC3\xA9 -->\n<RemoteSetting><Power><Shift>0</Shift></Power></RemoteSetting>\n";
        std::string p = writeTemp(d, c.bom + encoded(text, c.encoding));
        XMLParse x;
        ASSERT_TRUE(x.Load(p.c_str()));
        ASSERT_TRUE(x.SetNodeInt(x.SelectNode(x.SelectNode(x.SelectNode({}, "RemoteSetting"), "Power"), "Shift"), 1));
        ASSERT_TRUE(x.Save(p));
        std::string expected = text, back;
        expected.replace(expected.find("<Shift>0"), 8, "<Shift>1");
        os::readWholeFile(p, back);
        EXPECT_EQ(back, c.bom + encoded(expected, c.encoding));
    }
}

TEST(XMLParse, ProcessingInstructionsAreNotElements) {
    test::TempDocuments d;
    std::string p = writeTemp(d, "<RemoteSetting><?Power x?><Power><?VirtualKey y?><VirtualKey>7</VirtualKey></Power>"
                                 "<Mode><?VirtualKey z?></Mode></RemoteSetting>");
    XMLParse x;
    ASSERT_TRUE(x.Load(p.c_str()));
    auto root = x.SelectNode({}, "RemoteSetting");
    EXPECT_EQ(x.GetNodeInt(x.SelectNode(x.SelectNode(root, "Power"), "VirtualKey")), 7);
    auto mode = x.SelectNode(root, "Mode");
    EXPECT_FALSE(x.SelectNode(mode, "VirtualKey"));
    EXPECT_FALSE(x.SetNodeInt(mode.first_child(), 5)) << "a save must not report a value it did not write";
}
