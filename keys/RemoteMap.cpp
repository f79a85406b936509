#include "keys/RemoteMap.h"

// The library is used header-only in this one unit, without exceptions, so
// that neither a shared library nor a throw crosses into the program.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace remorra::keys {
namespace {

// Protocols as ir-keytable names them, and the variants within them that the
// decoders here produce; an empty variant accepts the whole family.
IrFamily FamilyOfTable(std::string_view protocol, std::string_view variant) {
    if (protocol == "nec" || protocol == "necx" || protocol == "nec32") {
        if (variant.empty() || variant == "nec" || variant == "necx" || variant == "nec32") return IrFamily::Nec;
        return IrFamily::None;
    }
    if (protocol == "rc5") return variant.empty() || variant == "rc5" ? IrFamily::Rc5 : IrFamily::None;
    if (protocol == "rc6" || protocol == "rc6_0" || protocol == "rc6_mce" || protocol == "rc6_6a_32") {
        if (variant.empty()) return protocol == "rc6" ? IrFamily::Rc6 : FamilyOf(*ParseProtocolName(protocol));
        const std::optional<IrProtocol> p = ParseProtocolName(variant);
        return p && FamilyOf(*p) == IrFamily::Rc6 ? IrFamily::Rc6 : IrFamily::None;
    }
    return IrFamily::None;
}

const char* FamilyName(IrFamily f) {
    switch (f) {
    case IrFamily::Nec: return "nec";
    case IrFamily::Rc5: return "rc5";
    case IrFamily::Rc6: return "rc6";
    case IrFamily::None: break;
    }
    return "";
}

MapLoad Malformed(const std::string& source, std::uint32_t line, const std::string& what) {
    return {MapStatus::Malformed, source + ":" + std::to_string(line) + ": " + what};
}

bool ParseScancode(std::string_view text, std::uint32_t& value) {
    const std::string s(text);
    if (s.empty() || s[0] == '-' || s[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 0);
    if (errno != 0 || !end || *end != '\0' || v > 0xFFFFFFFFull) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04X", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Stem(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".toml") == 0) name.resize(name.size() - 5);
    return name;
}

MapLoad ParseProtocolTable(const toml::table& t, const std::string& source, MapProtocol& out) {
    const std::uint32_t line = t.source().begin.line;
    auto text = [&](const char* key, std::string& value) -> bool {
        const toml::node* n = t.get(key);
        if (!n) return true;
        if (!n->is_string()) return false;
        value = n->value_or(std::string{});
        return true;
    };
    if (!text("name", out.name)) return Malformed(source, line, "'name' is not a string");
    if (!text("protocol", out.protocol)) return Malformed(source, line, "'protocol' is not a string");
    if (!text("variant", out.variant)) return Malformed(source, line, "'variant' is not a string");
    if (out.protocol.empty()) return Malformed(source, line, "a [[protocols]] table without 'protocol'");
    out.family = FamilyOfTable(out.protocol, out.variant);

    const toml::node* codes = t.get("scancodes");
    if (!codes) return {};
    const toml::table* table = codes->as_table();
    if (!table) return Malformed(source, codes->source().begin.line, "'scancodes' is not a table");
    std::vector<std::uint32_t> lines;
    for (auto&& [key, value] : *table) {
        const std::uint32_t at = key.source().begin.line ? key.source().begin.line : value.source().begin.line;
        MapBinding b;
        if (!ParseScancode(key.str(), b.scancode))
            return Malformed(source, at, "scancode '" + std::string(key.str()) + "' is not a number");
        if (!value.is_string()) return Malformed(source, at, "the key of scancode " + std::string(key.str()) + " is not a string");
        b.key = value.value_or(std::string{});
        for (const MapBinding& other : out.scancodes)
            if (other.scancode == b.scancode)
                return Malformed(source, at, "scancode " + std::string(key.str()) + " is bound twice");
        out.scancodes.push_back(std::move(b));
        lines.push_back(at);
    }
    // The library keeps keys sorted as text; the file's order is its lines'.
    std::vector<std::size_t> order(lines.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return lines[x] < lines[y]; });
    std::vector<MapBinding> sorted;
    sorted.reserve(order.size());
    for (const std::size_t i : order) sorted.push_back(std::move(out.scancodes[i]));
    out.scancodes = std::move(sorted);
    return {};
}

} // namespace

std::string RemoteMap::displayName() const {
    for (const MapProtocol& p : protocols)
        if (!p.name.empty()) return p.name;
    return Stem(file);
}

bool RemoteMap::supported() const {
    return std::any_of(protocols.begin(), protocols.end(), [](const MapProtocol& p) { return p.family != IrFamily::None; });
}

const MapBinding* RemoteMap::find(IrFamily family, std::uint32_t scancode) const {
    for (const MapProtocol& p : protocols) {
        if (p.family != family) continue;
        for (const MapBinding& b : p.scancodes)
            if (b.scancode == scancode) return &b;
    }
    return nullptr;
}

void RemoteMap::bind(const IrCode& code, const std::string& key) {
    const IrFamily family = FamilyOf(code.protocol);
    for (MapProtocol& p : protocols) {
        if (p.family != family) continue;
        std::erase_if(p.scancodes, [&](const MapBinding& b) { return b.scancode == code.scancode; });
    }
    auto table = std::find_if(protocols.begin(), protocols.end(), [&](const MapProtocol& p) { return p.family == family; });
    if (table == protocols.end()) {
        MapProtocol p;
        p.name = displayName();
        p.protocol = FamilyName(family);
        p.variant = ProtocolName(code.protocol);
        p.family = family;
        protocols.push_back(std::move(p));
        table = protocols.end() - 1;
    } else if (!table->variant.empty() && table->variant != ProtocolName(code.protocol)) {
        // Codes of several variants: the family as a whole.
        table->variant.clear();
    }
    table->scancodes.push_back({code.scancode, key});
}

bool RemoteMap::unbind(const std::string& key) {
    bool any = false;
    for (MapProtocol& p : protocols)
        any |= std::erase_if(p.scancodes, [&](const MapBinding& b) { return b.key == key; }) > 0;
    return any;
}

MapLoad ParseRemoteMap(std::string_view text, const std::string& source, RemoteMap& out) {
    toml::parse_result parsed = toml::parse(text, std::string_view(source));
    if (!parsed) {
        const toml::parse_error& e = parsed.error();
        return Malformed(source, e.source().begin.line, std::string(e.description()));
    }
    const toml::table& root = parsed.table();
    const toml::node* protocols = root.get("protocols");
    const toml::array* list = protocols ? protocols->as_array() : nullptr;
    if (!list || list->empty() || !list->is_array_of_tables())
        return Malformed(source, protocols ? protocols->source().begin.line : 1, "no [[protocols]] table");
    RemoteMap map;
    map.file = source;
    for (const toml::node& n : *list) {
        MapProtocol p;
        if (MapLoad r = ParseProtocolTable(*n.as_table(), source, p); r.status != MapStatus::Ok) return r;
        map.protocols.push_back(std::move(p));
    }
    out = std::move(map);
    if (out.supported()) return {};
    std::string names;
    for (const MapProtocol& p : out.protocols)
        names += (names.empty() ? "" : ", ") + p.protocol + (p.variant.empty() ? "" : "/" + p.variant);
    return {MapStatus::Unsupported, "protocol " + names + " is not supported"};
}

MapLoad LoadRemoteMap(const std::string& path, RemoteMap& out) {
    std::string text;
    if (!os::readWholeFile(path, text)) return {MapStatus::Malformed, path + ":0: cannot read the file"};
    return ParseRemoteMap(text, path, out);
}

std::string FormatRemoteMap(const RemoteMap& map) {
    std::string out;
    for (const MapProtocol& p : map.protocols) {
        if (!out.empty()) out += '\n';
        out += "[[protocols]]\n";
        if (!p.name.empty()) out += "name = " + Quoted(p.name) + "\n";
        out += "protocol = " + Quoted(p.protocol) + "\n";
        if (!p.variant.empty()) out += "variant = " + Quoted(p.variant) + "\n";
        out += "[protocols.scancodes]\n";
        for (const MapBinding& b : p.scancodes) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(b.scancode));
            out += code;
            out += " = " + Quoted(b.key) + "\n";
        }
    }
    return out;
}

os::FileResult SaveRemoteMap(const RemoteMap& map, const std::string& path) {
    return os::writeFileAtomically(path, FormatRemoteMap(map));
}

} // namespace remorra::keys
