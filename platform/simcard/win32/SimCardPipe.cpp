#include "platform/simcard/SimCardListener.h"

#include <cstdlib>

namespace remorra::simcard {

// Live play needs a per-user named pipe server on Windows, which is not built
// yet: the listener and the sender report that plainly instead of failing later.
namespace {
const char* const kUnavailable = "playing on a running simulated card is not available on Windows yet";
} // namespace

std::string SimCardEndpoint() {
    if (const char* forced = std::getenv("REMORRA_SIM_SOCKET"); forced && *forced) return forced;
    return "\\\\.\\pipe\\remorra-simcard";
}

struct CSimCardListener::Impl {
    std::string path;
};

CSimCardListener::CSimCardListener(tuner::SimTunerCard&, std::string endpoint)
    : m_impl(std::make_unique<Impl>(Impl{std::move(endpoint)})) {}

CSimCardListener::~CSimCardListener() { Stop(); }

const std::string& CSimCardListener::endpoint() const { return m_impl->path; }

bool CSimCardListener::Start(std::string& error) {
    error = kUnavailable;
    return false;
}

void CSimCardListener::Stop() {}

bool SendRawToSimCard(const std::string&, std::string&, std::string& error, const std::string&) {
    error = kUnavailable;
    return false;
}

} // namespace remorra::simcard
