#include "keys/XMLParse.h"

#include "platform/os/AppLog.h"

#include <climits>
#include <cstring>
#include <sstream>

namespace remorra {
std::int32_t AtoiLike(const char* s) {
    if (!s) return 0;
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool neg = false;
    if (*s == '+' || *s == '-') neg = *s++ == '-';
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s)
        if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (*s - '0');
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return static_cast<std::int32_t>(v);
}
} // namespace remorra

namespace {
// Walks the subtree without recursion: the nesting depth comes from the file,
// and a deep enough one would otherwise overflow the stack.
void appendText(pugi::xml_node root, std::string& out) {
    for (pugi::xml_node c = root.first_child(); c;) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) out += c.value();
        if (c.type() == pugi::node_element && c.first_child()) {
            c = c.first_child();
            continue;
        }
        while (c != root && !c.next_sibling()) c = c.parent();
        if (c == root) break;
        c = c.next_sibling();
    }
}
} // namespace

namespace {
// pugixml ends the document at a NUL character and reports success, so a
// profile with one inside would load cut short and a save would write back
// only the part before it. Such a file is malformed.
bool hasNulCharacter(const std::string& bytes, pugi::xml_encoding encoding) {
    std::size_t unit = 1;
    if (encoding == pugi::encoding_utf16_le || encoding == pugi::encoding_utf16_be) unit = 2;
    if (encoding == pugi::encoding_utf32_le || encoding == pugi::encoding_utf32_be) unit = 4;
    for (std::size_t i = 0; i + unit <= bytes.size(); i += unit) {
        bool zero = true;
        for (std::size_t k = 0; k < unit; ++k) zero = zero && bytes[i + k] == '\0';
        if (zero) return true;
    }
    return false;
}
} // namespace

namespace {
std::string byteOrderMark(pugi::xml_encoding encoding) {
    switch (encoding) {
    case pugi::encoding_utf8: return "\xEF\xBB\xBF";
    case pugi::encoding_utf16_le: return {"\xFF\xFE", 2};
    case pugi::encoding_utf16_be: return {"\xFE\xFF", 2};
    case pugi::encoding_utf32_le: return {"\xFF\xFE\0\0", 4};
    case pugi::encoding_utf32_be: return {"\0\0\xFE\xFF", 4};
    default: return {};
    }
}

std::string newline(pugi::xml_encoding encoding) {
    switch (encoding) {
    case pugi::encoding_utf16_le: return {"\n\0", 2};
    case pugi::encoding_utf16_be: return {"\0\n", 2};
    case pugi::encoding_utf32_le: return {"\n\0\0\0", 4};
    case pugi::encoding_utf32_be: return {"\0\0\0\n", 4};
    default: return "\n";
    }
}
} // namespace

bool XMLParse::Load(const char* path) {
    if (!path) return false;
    m_document.reset();
    m_loaded = false;
    std::string bytes;
    if (remorra::os::ReadResult r = remorra::os::readFile(path, bytes, remorra::os::kMaxProfileFileBytes); !r) {
        if (r.status != remorra::os::ReadStatus::Missing) WriteLog(L"Profile not read: %s", r.error.c_str());
        return false;
    }
    pugi::xml_parse_result r = m_document.load_buffer(bytes.data(), bytes.size(),
                                                      pugi::parse_full | pugi::parse_ws_pcdata);
    m_loaded = r && !hasNulCharacter(bytes, r.encoding);
    if (!m_loaded) {
        m_document.reset();
        return false;
    }
    // Kept to write the document back as it came: pugixml holds it as UTF-8.
    m_encoding = r.encoding;
    m_bom = byteOrderMark(r.encoding);
    if (bytes.compare(0, m_bom.size(), m_bom) != 0) m_bom.clear();
    return true;
}

XMLParse::Node XMLParse::SelectNode(Node parent, const char* name) const {
    if (!m_loaded || !name) return {};
    Node from = parent ? parent : m_document.root();
    // Not child(name): it also matches a processing instruction of that name.
    for (Node c = from.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && std::strcmp(c.name(), name) == 0) return c;
    return {};
}

std::int32_t XMLParse::GetNodeInt(Node element) const {
    if (!element) return 0;
    std::string text;
    appendText(element, text);
    return remorra::AtoiLike(text.c_str());
}

bool XMLParse::SetNodeInt(Node element, std::int32_t value) {
    if (element.type() != pugi::node_element) return false;
    // Leaves first: pugixml removes a subtree recursively, and the depth of
    // what sits in the element comes from the file.
    for (pugi::xml_node n = element;;) {
        if (pugi::xml_node c = n.first_child()) {
            n = c;
            continue;
        }
        if (n == element) break;
        pugi::xml_node parent = n.parent();
        parent.remove_child(n);
        n = parent;
    }
    element.append_child(pugi::node_pcdata).set_value(std::to_string(value).c_str());
    return true;
}

remorra::os::FileResult XMLParse::SaveWithError(const std::string& path) {
    if (!m_loaded) return {"no document loaded"};
    std::ostringstream out;
    // In the document's own encoding, so that kept text and the declaration
    // still agree. Raw output: the whitespace nodes kept at load time carry
    // the layout. pugixml drops whitespace outside the root, so top-level
    // nodes go one a line.
    out << m_bom;
    const std::string lineEnd = newline(m_encoding);
    for (pugi::xml_node n = m_document.first_child(); n; n = n.next_sibling()) {
        n.print(out, "", pugi::format_raw, m_encoding);
        out << lineEnd;
    }
    return remorra::os::writeFileAtomically(path, out.str());
}
