#include "keys/KeymapTable.h"

#include "keys/KernelKeys.h"

#include <algorithm>
#include <cstdio>

namespace remorra::keys {
namespace {

bool Before(const KeymapEntry& e, IrFamily family, std::uint32_t scancode) {
    return e.family != family ? e.family < family : e.scancode < scancode;
}

} // namespace

KeymapTable::KeymapTable(const std::vector<RemoteMap>& maps, std::vector<std::string>* conflicts) {
    std::vector<const std::string*> owners;
    for (const RemoteMap& map : maps) {
        for (const MapProtocol& p : map.protocols) {
            if (p.family == IrFamily::None) continue;
            for (const MapBinding& b : p.scancodes) {
                auto same = std::find_if(m_entries.begin(), m_entries.end(), [&](const KeymapEntry& e) {
                    return e.family == p.family && e.scancode == b.scancode;
                });
                if (same != m_entries.end()) {
                    if (conflicts && same->keyName != b.key) {
                        char code[16];
                        std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(b.scancode));
                        conflicts->push_back(map.file + ": scancode " + code + " (" + b.key + ") is " + same->keyName +
                                             " in " + *owners[static_cast<std::size_t>(same - m_entries.begin())]);
                    }
                    continue;
                }
                const KernelKey* key = FindKernelKey(b.key);
                m_entries.push_back({p.family, b.scancode, b.key, key ? key->cardCommand : std::uint8_t{0},
                                     key ? key->virtualKey : std::uint8_t{0}, map.displayName()});
                owners.push_back(&map.file);
            }
        }
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const KeymapEntry& x, const KeymapEntry& y) { return Before(x, y.family, y.scancode); });
    m_used = std::make_unique<std::atomic<bool>[]>(m_entries.size());
}

const KeymapEntry* KeymapTable::find(const IrCode& code) const {
    const IrFamily family = FamilyOf(code.protocol);
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), code.scancode,
                               [&](const KeymapEntry& e, std::uint32_t s) { return Before(e, family, s); });
    return it != m_entries.end() && it->family == family && it->scancode == code.scancode ? &*it : nullptr;
}

bool KeymapTable::firstUse(const KeymapEntry& e) const {
    // An entry of a table published since is not this table's to count.
    if (m_entries.empty() || &e < m_entries.data() || &e >= m_entries.data() + m_entries.size()) return false;
    return !m_used[static_cast<std::size_t>(&e - m_entries.data())].exchange(true, std::memory_order_relaxed);
}

void PublishedKeymaps::publish(std::unique_ptr<KeymapTable> table) {
    const KeymapTable* next = table && !table->empty() ? table.get() : nullptr;
    if (table) m_tables.push_back(std::move(table));
    m_current.store(next, std::memory_order_release);
}

} // namespace remorra::keys
