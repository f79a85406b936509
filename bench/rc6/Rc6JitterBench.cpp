// RC6 decoding against edge jitter: Media Center presses (two mode-6 frames
// 114 ms apart) replayed through the card, the layers and the front end in
// virtual time, every edge moved by its own Gaussian jitter. Counts per
// condition the frames decoded right, missed, wrong (another key, the worst
// outcome) and extra. Remote clocks run off by a few percent, so frames are
// also played 5 % slow and fast. Deterministic for a given --seed.
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/ReplayPipeline.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace remorra;

namespace {

constexpr std::uint16_t kControl = 0x800F;
constexpr std::uint32_t kHeader = (1u << 20) | (6u << 17) | kControl;
constexpr int kFramesPerPress = 2;

class CountingSink final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void* report) override
    {
        if (type != TM_IR_DECODER_RC6) return;
        reports.push_back(*static_cast<const tmIrRc6Report*>(report));
    }
    std::vector<tmIrRc6Report> reports;
};

// Durations scaled by `scale`, each edge moved by N(0, sigma); a duration
// never drops below 1 µs (two edges swapped by jitter merge into one).
tuner::Timeline distort(const tuner::Timeline& nominal, double scale, double sigma, std::mt19937& rng)
{
    std::normal_distribution<double> jitter(0.0, sigma);
    std::vector<double> edges{0.0};
    double t = 0;
    for (std::uint32_t d : nominal) edges.push_back(t += d * scale);
    if (sigma > 0)
        for (double& e : edges) e += jitter(rng);
    tuner::Timeline out;
    for (std::size_t i = 1; i < edges.size(); ++i)
        out.push_back(static_cast<std::uint32_t>(std::max(1.0, std::round(edges[i] - edges[i - 1]))));
    return out;
}

struct Count {
    long right = 0, missed = 0, wrong = 0, extra = 0;
};

Count run(int presses, double scale, double sigma, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    tuner::ReplayOptions options;
    options.decoderType = TM_IR_DECODER_RC6;
    Count c;
    for (int p = 0; p < presses; ++p) {
        const auto info = static_cast<std::uint16_t>(((p & 1) << 15) | 0x0400 | (rng() & 0xFF));
        tuner::EncodeOptions o;
        o.frames = kFramesPerPress;
        o.gapMs = 90; // frames start about 114 ms apart, as a held key sends them
        const tuner::Timeline capture = distort(tuner::encodeRc6(6, kControl, info, false, o), scale, sigma, rng);
        CountingSink sink;
        std::string error;
        if (!tuner::replayCapture(capture, sink, options, &error)) {
            std::fprintf(stderr, "replay stalled: %s\n", error.c_str());
            std::exit(1);
        }
        long right = 0;
        for (const tmIrRc6Report& r : sink.reports) {
            if (r.header != kHeader || r.information != info || r.control != 0)
                ++c.wrong;
            else if (right < kFramesPerPress)
                ++right;
            else
                ++c.extra;
        }
        c.right += right;
        c.missed += kFramesPerPress - right;
    }
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    int presses = 500;
    std::uint32_t seed = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--presses") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            presses = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 0));
        } else {
            std::fprintf(stderr, "usage: rc6_jitter_bench [--presses N] [--seed N]\n"
                                 "  N presses of two frames per condition (default 500)\n");
            return 2;
        }
    }
    std::printf("| timing | jitter σ | frames | right | missed | wrong | extra |\n|---|---|---|---|---|---|---|\n");
    for (const double scale : {1.0, 0.95, 1.05}) {
        for (const double sigma : {0.0, 20.0, 40.0, 60.0, 80.0}) {
            const Count c = run(presses, scale, sigma, seed);
            const long frames = static_cast<long>(presses) * kFramesPerPress;
            std::printf("| %s | %.0f µs | %ld | %.1f %% | %ld | %ld | %ld |\n",
                        scale == 1.0 ? "nominal" : scale < 1.0 ? "5 % fast" : "5 % slow", sigma, frames,
                        100.0 * static_cast<double>(c.right) / static_cast<double>(frames), c.missed, c.wrong,
                        c.extra);
            std::fflush(stdout);
        }
    }
    return 0;
}
