#pragma once
// The small XML document wrapper the key profiles use, on pugixml. Loading
// keeps comments, the declaration, processing instructions and whitespace, so
// a save writes back everything it did not change.
#include "platform/os/Files.h"

#include <pugixml.hpp>

#include <cstdint>
#include <string>

class XMLParse {
public:
    using Node = pugi::xml_node; // empty node = none

    XMLParse() = default;
    virtual ~XMLParse() = default;
    XMLParse(const XMLParse&) = delete;
    XMLParse& operator=(const XMLParse&) = delete;

    bool Load(const char* path);
    // First child element (never another kind of node) of that name under
    // `parent`, or of the document when `parent` is none.
    Node SelectNode(Node parent, const char* name) const;
    // The element's whole text content parsed as atoi does.
    std::int32_t GetNodeInt(Node element) const;
    bool GetNodeBool(Node element) const { return GetNodeInt(element) != 0; }
    // Replaces the element's content with the number's text.
    bool SetNodeInt(Node element, std::int32_t value);
    // Writes the whole document, in the encoding it was loaded in (with its
    // byte-order mark if it had one), to a new file renamed over `path`.
    bool Save(std::string path) { return SaveWithError(path).operator bool(); }
    remorra::os::FileResult SaveWithError(const std::string& path);

    bool loaded() const { return m_loaded; }

private:
    pugi::xml_document m_document;
    bool m_loaded = false;
    pugi::xml_encoding m_encoding = pugi::encoding_utf8; // as the file came
    std::string m_bom;                                   // the file's, if it had one
};

namespace remorra {
// atoi without its undefined overflow: white space, sign, digits.
std::int32_t AtoiLike(const char* text);
}
