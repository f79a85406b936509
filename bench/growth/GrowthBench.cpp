// How the window thread's work and the decode tool grow with their input:
// selecting a profile (25 element reads of one file), listing 10 to 1,000
// profile files, and decoding a long capture.
#include "app/ProfileEditor.h"
#include "platform/tuner/ReplayPipeline.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace remorra;
namespace fs = std::filesystem;

namespace {

class SilentBox final : public IMessageBox {
public:
    MsgResult show(const std::string&, const std::string&, MsgButtons, MsgIcon) override { return MsgResult::Ok; }
};

// A private documents folder holding `count` profiles made from the shipped
// template; REMORRA_DOCUMENTS points at it while it lives.
class ProfileFolder {
public:
    explicit ProfileFolder(int count) {
        m_root = fs::temp_directory_path() / ("remorra-bench-" + std::to_string(::getpid()) + "-" +
                                              std::to_string(count));
        const fs::path profiles = m_root / "Remorra" / "Profile";
        fs::create_directories(profiles);
        std::ifstream in(REMORRA_SOURCE_DIR "/data/Original.xml");
        std::stringstream text;
        text << in.rdbuf();
        for (int i = 0; i < count; ++i) {
            std::ofstream out(profiles / ("Profile" + std::to_string(i) + ".xml"));
            out << text.str();
        }
        setenv("REMORRA_DOCUMENTS", m_root.c_str(), 1);
    }
    ~ProfileFolder() {
        unsetenv("REMORRA_DOCUMENTS");
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

private:
    fs::path m_root;
};

void BM_FillProfileList(benchmark::State& state) {
    ProfileFolder folder(static_cast<int>(state.range(0)));
    SilentBox box;
    CProfileEditor editor(box, "Remorra");
    for (auto _ : state) {
        editor.FillProfileList();
        benchmark::DoNotOptimize(editor.entries().size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FillProfileList)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_SelectProfile(benchmark::State& state) {
    ProfileFolder folder(1);
    SilentBox box;
    CProfileEditor editor(box, "Remorra");
    editor.FillProfileList();
    for (auto _ : state) editor.SelectProfileAt(1);
}
BENCHMARK(BM_SelectProfile)->Unit(benchmark::kMicrosecond);

struct CountingSink final : CIR_DecoderCallback {
    void OnIrKey(std::int32_t, const void*) override { ++reports; }
    std::int64_t reports = 0;
};

// The decode tool's replay in virtual time: frames per second of CPU.
void BM_DecodeThroughput(benchmark::State& state) {
    const auto frames = static_cast<int>(state.range(0));
    tuner::EncodeOptions o;
    o.frames = frames;
    o.gapMs = 40;
    const tuner::Timeline capture = tuner::encodeNec(0xFB04, 0x12, 1, false, o);
    std::int64_t reports = 0;
    for (auto _ : state) {
        CountingSink sink;
        tuner::replayCapture(capture, sink);
        reports += sink.reports;
    }
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["reports_per_run"] = benchmark::Counter(static_cast<double>(reports) /
                                                           static_cast<double>(state.iterations()));
}
BENCHMARK(BM_DecodeThroughput)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
