#pragma once
// An endpoint of the test's own for a simulated card's listener: a socket in a
// private temporary folder, or a pipe name no other test uses.
#include <atomic>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>

struct TestEndpoint {
    std::string path;
    TestEndpoint()
    {
        static std::atomic<int> counter{0};
        path = "\\\\.\\pipe\\remorra-test-" + std::to_string(_getpid()) + "-" + std::to_string(++counter);
    }
    const std::string& socket() const { return path; }
};
#else
#include "TempFolder.h"

struct TestEndpoint {
    remorra::test::TempFolder folder{"remorra_sim"};
    std::string socket() const { return (folder / "card.sock").string(); }
};
#endif
