#pragma once
// Per-test documents folder, log file and runtime folder, small readers, and
// start-up services on one simulated card for the window tests.
#include "app/RemorraDlgCore.h"
#include "platform/discovery/CaptureDevices.h"
#include "platform/os/MessageBox.h"
#include "platform/tuner/SimTunerCard.h"
#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace remorra::test {

struct IsolatedProgramEnv {
    TempFolder folder{"remorra_prog"};
    const std::filesystem::path root = folder.path();
    IsolatedProgramEnv()
    {
        std::filesystem::create_directories(root / "docs");
        std::filesystem::create_directories(root / "run");
        std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
        ::setenv("REMORRA_DOCUMENTS", (root / "docs").string().c_str(), 1);
        ::setenv("REMORRA_LOG", (root / "Remorra.log").string().c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root / "run").string().c_str(), 1);
        // The log-in entry goes here, never into the user's own folder.
        ::setenv("XDG_CONFIG_HOME", (root / "config").string().c_str(), 1);
    }
    ~IsolatedProgramEnv()
    {
        ::unsetenv("REMORRA_DOCUMENTS");
        ::unsetenv("REMORRA_LOG");
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::path configFile() const { return root / "docs" / "Remorra" / "config.ini"; }

    // Messages of the log, header stripped.
    std::vector<std::string> logMessages() const
    {
        std::vector<std::string> out;
        std::ifstream in(root / "Remorra.log");
        for (std::string line; std::getline(in, line);) {
            const auto close = line.find("] ");
            out.push_back(close == std::string::npos ? line : line.substr(close + 2));
        }
        return out;
    }
    void writeConfig(const std::string& text) const
    {
        std::filesystem::create_directories(configFile().parent_path());
        std::ofstream(configFile()) << text;
    }
};

// One simulated card, "Quorbel TV Tuner", which the chooser picks.
struct OneCardStartup {
    struct PickFirst final : IChooseDeviceView {
        bool run() override { return true; }
        int chosenIndex() const override { return 0; }
        int listedCount() const override { return 1; }
    };
    RecordingMessageBox box;
    PickFirst chooser;
    discovery::ListDeviceSource devices;

    OneCardStartup() { devices.devices.push_back({"Quorbel TV Tuner", std::make_shared<tuner::SimTunerCard>()}); }
    StartupServices services()
    {
        StartupServices s;
        s.devices = &devices;
        s.box = &box;
        s.chooser = &chooser;
        s.raisePriority = [] { return true; };
        return s;
    }
};

} // namespace remorra::test
