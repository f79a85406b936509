#pragma once
// The active remote maps as one lookup table, and its publication to the
// threads that translate reports. A table never changes once built; the
// window side publishes a new one and keeps the old ones alive, so a reader
// on any thread uses what it loaded without a lock or a wait.
#include "keys/IrScancode.h"
#include "keys/RemoteMap.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace remorra::keys {

struct KeymapEntry {
    IrFamily family;
    std::uint32_t scancode;
    std::string keyName;
    std::uint8_t cardCommand; // from FindKernelKey; 0 = none
    std::uint8_t virtualKey;  // 0 = none
    std::string remote;       // the map's name, as LIRC clients see the remote
};

class KeymapTable {
public:
    // Earlier maps win a scancode that several bind; each such conflict adds
    // a line naming both files to `conflicts` (when given).
    explicit KeymapTable(const std::vector<RemoteMap>& maps, std::vector<std::string>* conflicts = nullptr);

    // Any thread; no allocation.
    const KeymapEntry* find(const IrCode& code) const;
    bool empty() const { return m_entries.empty(); }
    std::size_t size() const { return m_entries.size(); }
    // True the first time it is called for one of this table's entries (any thread).
    bool firstUse(const KeymapEntry& e) const;
    const std::vector<KeymapEntry>& entries() const { return m_entries; }

private:
    std::vector<KeymapEntry> m_entries; // sorted by family, scancode
    std::unique_ptr<std::atomic<bool>[]> m_used;
};

class PublishedKeymaps {
public:
    // Window thread. Null (or an empty table) leaves no map active.
    void publish(std::unique_ptr<KeymapTable> table);
    // Any thread; null when nothing is published.
    const KeymapTable* current() const { return m_current.load(std::memory_order_acquire); }

private:
    std::atomic<const KeymapTable*> m_current{nullptr};
    std::vector<std::unique_ptr<KeymapTable>> m_tables; // publisher's alone
};

} // namespace remorra::keys
