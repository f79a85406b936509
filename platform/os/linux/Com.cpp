#include "platform/os/Com.h"

namespace remorra::os {

ComApartment::ComApartment(Model) : m_usable(true) {}
ComApartment::~ComApartment() = default;

} // namespace remorra::os
