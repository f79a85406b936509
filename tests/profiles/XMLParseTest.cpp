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
