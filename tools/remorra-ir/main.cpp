// remorra-ir: replays IR captures through the program's decode pipeline and
// writes nominal frames as mode2 text.
#include "CaptureInput.h"
#include "Keymaps.h"
#include "Options.h"
#include "Send.h"
#include "app/ProfileEditor.h"
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "keys/ProfileView.h"
#include "platform/os/Console.h"
#include "platform/os/Environment.h"
#include "platform/os/Files.h"
#include "platform/os/Quote.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/ReplayPipeline.h"
#include "tmTrace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

using namespace remorra::tuner;

namespace {

const char* kDecodeHelp =
    "usage: remorra-ir decode [--decoder nec|nec24|rc5|rc6|all] [--mode edge|sample] [--trace 0|1|2]\n"
    "                         [--keys mce|profile=FILE.xml] [--keymap FILE.toml]... [FILE...]\n"
    "Replays each capture (mode2 text or raw durations; '-' or none: standard input) through the\n"
    "simulated card, the GPIO and interrupt layers and the decoder front end, one line per key.\n"
    "--keys mce also runs each report through the key report handler with the built-in entry\n"
    "selected and lists the key events and pauses it sent below the report's line.\n"
    "--keys profile=FILE.xml does the same with that key profile selected (named as the file\n"
    "without \".xml\"), its bindings loaded and applied as the main window does.\n"
    "--keymap FILE.toml (repeatable) reads a remote map in the kernel's keymap format and prints\n"
    "each report's kernel protocol and scancode and the map's key name below its line; with\n"
    "--keys the strokes of the translated report follow. Maps make --decoder all (NEC, RC5 and\n"
    "RC6 together) the default.\n";
const char* kEncodeHelp =
    "usage: remorra-ir encode nec|nec24 ADDRESS COMMAND [--repeats N]\n"
    "       remorra-ir encode nec32 ADDRESS COMMAND [--repeats N]   (16 bits each, first byte low)\n"
    "       remorra-ir encode rc5 GROUP COMMAND [--toggle 0|1]\n"
    "       remorra-ir encode rc6 CONTROL INFORMATION [--rc6-mode 0|6] [--toggle 0|1]\n"
    "options: --frames N  --gap MS  --jitter US  --seed N\n"
    "Writes nominal frames as mode2 text to standard output.\n";

int usage(const char* text)
{
    std::fputs(text, stderr);
    return 2;
}

class PrintingSink final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void* report) override
    {
        std::printf("%s\n", formatKeyReport(type, report).c_str());
        std::fflush(stdout);
    }
};

// Each report's line, then what the key report handler sent for it. The
// handler's hold-off runs on the replay's virtual clock, so its gate drops
// what the program would drop.
class KeysSink final : public CIR_DecoderCallback {
public:
    explicit KeysSink(const remorra::keys::ProfileViewCell& view) : m_handler(m_out, view) {}
    void OnIrKey(std::int32_t type, const void* report) override
    {
        std::printf("%s\n", formatKeyReport(type, report).c_str());
        m_handler.OnIrKey(type, report);
        for (const remorra::keys::KeyEvent& e : m_out.take())
            std::printf("  %s\n", remorra::keys::ToString(e).c_str());
        std::fflush(stdout);
    }

private:
    remorra::keys::RecordingKeyOutput m_out;
    remorra::keys::KeyReportHandler m_handler;
};

// The tool's reports go to standard error, prefixed with what they concern.
class StderrMessageBox final : public remorra::IMessageBox {
public:
    explicit StderrMessageBox(std::string subject) : m_subject(std::move(subject)) {}
    remorra::MsgResult show(const std::string& text, const std::string&, remorra::MsgButtons,
                            remorra::MsgIcon) override
    {
        std::fprintf(stderr, "%s: %s\n", m_subject.c_str(), text.c_str());
        return remorra::MsgResult::Cancel;
    }

private:
    std::string m_subject;
};

enum class Selection { Ok, Unknown, Unreadable };

// Puts into `owner` the profile selection that a --keys value names: the
// built-in entry, or a profile file selected as a user profile with its
// bindings loaded and applied as the main window does.
Selection selectKeys(const std::string& value, remorra::keys::ProfileViewOwner& owner)
{
    if (value == "mce") {
        owner.selectProfile(remorra::keys::kBuiltInProfilePosition, remorra::kBuiltInProfile);
        return Selection::Ok;
    }
    const std::string prefix = "profile=";
    if (value.rfind(prefix, 0) != 0 || value.size() == prefix.size())
        return Selection::Unknown;
    const std::string file = value.substr(prefix.size());
    // Why a file is not even read goes to the user (the program would log it).
    if (remorra::os::InputFile probe; const remorra::os::ReadResult r = probe.open(file))
        probe.close();
    else if (r.status != remorra::os::ReadStatus::Missing)
        std::fprintf(stderr, "remorra-ir decode: %s\n", r.error.c_str());
    StderrMessageBox box(file);
    remorra::keys::ProfileSnapshot s;
    if (!remorra::LoadProfileSnapshot(file, box, s))
        return Selection::Unreadable;
    owner.setBindings(s.m_bindings);
    owner.selectProfile(s.m_nSelected, s.m_szSelectedText);
    return Selection::Ok;
}

class StderrTrace final : public remorra::TraceSink {
public:
    explicit StderrTrace(int level) : m_level(level) {}
    void traceLine(std::uint8_t level, const char* text) override
    {
        if (level > m_level)
            return;
        // Some lines carry their own newline (the location line), most do not.
        const std::size_t n = std::strlen(text);
        std::fputs(text, stderr);
        if (n == 0 || text[n - 1] != '\n')
            std::fputc('\n', stderr);
    }

private:
    int m_level;
};

template <typename T>
Option choiceOption(const char* name, std::vector<std::pair<const char*, T>> choices, T& target)
{
    return {name, [choices = std::move(choices), &target](const std::string& value, std::string&) {
                for (const auto& [text, v] : choices)
                    if (value == text)
                        return target = v, Take::Ok;
                return Take::Usage;
            }};
}

int decode(const std::vector<std::string>& args)
{
    // RC6 keys and profile loads write log lines; the tool keeps them out of the program's log.
    remorra::os::setEnvironment("REMORRA_LOG", remorra::os::nullDevicePath(), false);
    ReplayOptions options;
    int trace = -1;
    bool keys = false;
    remorra::keys::ProfileViewOwner profile;
    std::vector<std::string> keymapFiles;
    const std::int32_t defaultDecoder = options.decoderType;
    const std::vector<Option> table = {
        choiceOption<std::int32_t>("--decoder",
                                   {{"nec", TM_IR_DECODER_NEC},
                                    {"nec24", TM_IR_DECODER_NEC24},
                                    {"rc5", TM_IR_DECODER_RC5},
                                    {"rc6", TM_IR_DECODER_RC6},
                                    {"all", TM_IR_DECODER_ALL}},
                                   options.decoderType),
        {"--keymap",
         [&](const std::string& value, std::string&) {
             keymapFiles.push_back(value);
             return Take::Ok;
         }},
        choiceOption<std::int32_t>("--mode", {{"edge", TM_IR_CAPTURE_EDGE}, {"sample", TM_IR_CAPTURE_SAMPLING}},
                                   options.captureMode),
        choiceOption<int>("--trace", {{"0", 0}, {"1", 1}, {"2", 2}}, trace),
        {"--keys",
         [&](const std::string& value, std::string&) {
             switch (selectKeys(value, profile)) {
             case Selection::Ok: keys = true; return Take::Ok;
             case Selection::Unknown: return Take::Usage;
             case Selection::Unreadable: break;
             }
             return Take::Refused; // the profile's reports are out already
         }},
    };
    std::vector<std::string> files;
    std::string error;
    switch (parseArguments(args, table, files, error)) {
    case Parsed::Ok: break;
    case Parsed::Help: return std::fputs(kDecodeHelp, stdout), 0;
    case Parsed::Usage: return usage(kDecodeHelp);
    case Parsed::Refused: return error.empty() ? 2 : refused("decode", error);
    }
    if (files.empty())
        files.push_back("-");
    const bool decoderGiven = std::find(args.begin(), args.end(), "--decoder") != args.end() ||
                              options.decoderType != defaultDecoder;
    remorra::keys::PublishedKeymaps keymaps;
    if (!keymapFiles.empty()) {
        if (!loadKeymapOptions(keymapFiles, keymaps))
            return 2;
        if (!decoderGiven)
            options.decoderType = TM_IR_DECODER_ALL;
    }
    // Every file is checked first, so a malformed one means nothing is
    // decoded; standard input can only be checked as it is decoded.
    for (const auto& f : files) {
        if (f == "-")
            continue;
        if (readCapture(f, [](std::uint64_t, const Timeline&) { return true; }, error) != CaptureRead::Ok) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
    }
    StderrTrace sink(trace < 0 ? 0 : trace);
    remorra::TraceSink* previous = remorra::setTraceSink(trace < 0 ? nullptr : &sink);
    PrintingSink printer;
    KeysSink keysSink(profile.view());
    KeymapSink mapSink(keymaps, keys ? &profile.view() : nullptr);
    CIR_DecoderCallback& keySink = !keymapFiles.empty() ? static_cast<CIR_DecoderCallback&>(mapSink)
                                   : keys               ? static_cast<CIR_DecoderCallback&>(keysSink)
                                                        : printer;
    int status = 0;
    for (const std::string& f : files) {
        if (files.size() > 1)
            std::printf("# %s\n", f.c_str());
        // Frame by frame as the file is read: memory follows the longest frame.
        std::string replayError, readError;
        CaptureRead read = CaptureRead::Ok;
        const bool played = replayFrames(
            [&](const PlayFrame& play) { return (read = readCapture(f, play, readError)) == CaptureRead::Ok; },
            keySink, options, &replayError);
        std::fflush(stdout);
        if (read == CaptureRead::Unreadable || read == CaptureRead::Malformed) {
            std::fprintf(stderr, "%s\n", readError.c_str());
            status = 2;
            break;
        }
        if (!played) {
            std::fprintf(stderr, "%s: %s\n", captureName(f).c_str(), replayError.c_str());
            status = 1;
        }
    }
    remorra::setTraceSink(previous);
    return status;
}

int encode(const std::vector<std::string>& args)
{
    if (args.empty() || args[0] == "--help")
        return args.empty() ? usage(kEncodeHelp) : (std::fputs(kEncodeHelp, stdout), 0);
    const std::string kind = args[0];
    EncodeOptions o;
    std::uint32_t repeats = 0, toggle = 0, rc6Mode = 6;
    // Each bound keeps the written capture readable again: no duration above
    // the reader's 100 s, however the gap and the jitter add up.
    const std::vector<Option> table = {
        numberOption("--repeats", 0, 1000, repeats),
        numberOption("--toggle", 0, 1, toggle),
        {"--rc6-mode",
         [&](const std::string& value, std::string& error) {
             std::uint64_t v = 0;
             if (parseNumber(value, v) && (v == 0 || v == 6))
                 return rc6Mode = static_cast<std::uint32_t>(v), Take::Ok;
             error = "--rc6-mode must be 0 or 6, not " + remorra::os::quoteExcerpt(value);
             return Take::Refused;
         }},
        numberOption("--frames", 1, 1000, o.frames),
        numberOption("--gap", 0, 60'000, o.gapMs),
        numberOption("--jitter", 0, 100'000, o.jitterUs),
        numberOption("--seed", 0, 0xFFFFFFFFu, o.seed),
    };
    std::vector<std::string> positional;
    std::string error;
    switch (parseArguments({args.begin() + 1, args.end()}, table, positional, error, true)) {
    case Parsed::Ok: break;
    case Parsed::Help: return std::fputs(kEncodeHelp, stdout), 0;
    case Parsed::Usage: return usage(kEncodeHelp);
    case Parsed::Refused: return refused("encode", error);
    }
    struct Fields {
        const char* kind;
        const char* first;
        std::uint64_t firstMax;
        const char* second;
        std::uint64_t secondMax;
    };
    const Fields fields[] = {
        {"nec", "ADDRESS", 0xFFFF, "COMMAND", 0xFF},
        {"nec24", "ADDRESS", 0xFFFFFF, "COMMAND", 0xFF},
        {"rc5", "GROUP", 31, "COMMAND", 127},
        {"nec32", "ADDRESS", 0xFFFF, "COMMAND", 0xFFFF},
        {"rc6", "CONTROL", rc6Mode ? 0xFFFFu : 0xFFu, "INFORMATION", rc6Mode ? 0xFFFFu : 0xFFu},
    };
    const Fields* f = nullptr;
    for (const Fields& candidate : fields)
        if (kind == candidate.kind)
            f = &candidate;
    if (!f || positional.size() != 2)
        return usage(kEncodeHelp);
    std::uint32_t first = 0, second = 0;
    if (takeNumber(f->first, positional[0], 0, f->firstMax, first, error, true) != Take::Ok ||
        takeNumber(f->second, positional[1], 0, f->secondMax, second, error, true) != Take::Ok)
        return refused("encode", error);
    Timeline t;
    if (kind == "nec" || kind == "nec24")
        t = encodeNec(first, static_cast<std::uint8_t>(second), static_cast<int>(repeats), kind == "nec24", o);
    else if (kind == "nec32")
        t = encodeNec32(static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(second), static_cast<int>(repeats), o);
    else if (kind == "rc5")
        t = encodeRc5(static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second), toggle, o);
    else
        t = encodeRc6(static_cast<int>(rc6Mode), static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(second),
                      toggle, o);
    std::fputs(toMode2(t).c_str(), stdout);
    return 0;
}

int run(std::vector<std::string> args)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kDecodeHelp, args.empty() ? stderr : stdout);
        std::fputs(kEncodeHelp, args.empty() ? stderr : stdout);
        std::fputs("usage: remorra-ir send [--hold MS] BUTTON... | --file CAPTURE   (remorra-ir send --help)\n",
                   args.empty() ? stderr : stdout);
        std::fputs("usage: remorra-ir learn MAP.toml KEY_NAME [CAPTURE]   (remorra-ir learn --help)\n",
                   args.empty() ? stderr : stdout);
        std::fputs("usage: remorra-ir maps [FILE.toml...]   (remorra-ir maps --help)\n", args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "decode")
        return decode(args);
    if (command == "encode")
        return encode(args);
    if (command == "send")
        return sendCommand(args);
    if (command == "learn")
        return learnCommand(args);
    if (command == "maps")
        return mapsCommand(args);
    return usage(kDecodeHelp);
}

// Memory running out, on any thread, ends the tool with a message, not an abort.
[[noreturn]] void outOfMemory()
{
    std::fflush(stdout);
    std::fputs("remorra-ir: out of memory\n", stderr);
    std::_Exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    remorra::os::useBinaryStandardStreams();
    std::set_new_handler(outOfMemory);
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "remorra-ir: %s\n", e.what());
        return 2;
    }
}
