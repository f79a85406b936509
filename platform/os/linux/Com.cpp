#include "platform/os/Com.h"

namespace remorra::os {

ComApartment::ComApartment(Model) : m_state(State::Borrowed) {}
ComApartment::~ComApartment() = default;

} // namespace remorra::os
