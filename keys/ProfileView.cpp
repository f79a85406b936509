#include "keys/ProfileView.h"

namespace remorra::keys {

void ProfileSnapshot::setSelection(std::int32_t position, std::string_view text) {
    m_nSelected = position;
    const std::size_t n = text.size() < kTextRoom - 1 ? text.size() : kTextRoom - 1;
    std::memset(m_szSelectedText, 0, kTextRoom);
    if (n) std::memcpy(m_szSelectedText, text.data(), n);
    m_bTextCut = n < text.size() ? 1 : 0;
}

void ProfileViewOwner::selectProfile(std::int32_t position, std::string_view text) {
    m_state.setSelection(position, text);
    m_view.store(m_state);
}

void ProfileViewOwner::setBinding(KeySlotIndex slot, const KeyBinding& binding) {
    if (slot >= KeySlotCount) return;
    m_state.m_bindings[slot] = binding;
    m_view.store(m_state);
}

void ProfileViewOwner::setBindings(const KeyBindings& bindings) {
    m_state.m_bindings = bindings;
    m_view.store(m_state);
}

} // namespace remorra::keys
