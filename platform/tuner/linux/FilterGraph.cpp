#include "platform/tuner/Interrupt_Interface.h"

namespace remorra::tuner {

// No filter-graph manager here: an empty object stands in for it.
std::unique_ptr<FilterGraph> createSystemFilterGraph() { return std::make_unique<FilterGraph>(); }

} // namespace remorra::tuner
