// remorra-ir: replays IR captures through the program's decode pipeline and
// writes nominal frames as mode2 text.
#include "Send.h"
#include "app/ProfileEditor.h"
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "keys/ProfileView.h"
#include "platform/os/Console.h"
#include "platform/os/Environment.h"
#include "platform/os/Files.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/ReplayPipeline.h"
#include "tmTrace.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

using namespace remorra::tuner;

namespace {

const char* kDecodeHelp =
    "usage: remorra-ir decode [--decoder nec|nec24|rc5|rc6] [--mode edge|sample] [--trace 0|1|2]\n"
    "                         [--keys mce|profile=FILE.xml] [FILE...]\n"
    "Replays each capture (mode2 text or raw durations; '-' or none: standard input) through the\n"
    "simulated card, the GPIO and interrupt layers and the decoder front end, one line per key.\n"
    "--keys mce also runs each report through the key report handler with the built-in entry\n"
    "selected and lists the key events and pauses it sent below the report's line.\n"
    "--keys profile=FILE.xml does the same with that key profile selected (named as the file\n"
    "without \".xml\"), its bindings loaded and applied as the main window does.\n";
const char* kEncodeHelp =
    "usage: remorra-ir encode nec|nec24 ADDRESS COMMAND [--repeats N]\n"
    "       remorra-ir encode rc5 GROUP COMMAND [--toggle 0|1]\n"
    "       remorra-ir encode rc6 CONTROL INFORMATION [--rc6-mode 0|6] [--toggle 0|1]\n"
    "options: --frames N  --gap MS  --jitter US  --seed N\n"
    "Writes nominal frames as mode2 text to standard output.\n";

int usage(const char* text)
{
    std::fputs(text, stderr);
    return 2;
}

bool number(const std::string& s, unsigned long& v)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    v = std::strtoul(s.c_str(), &end, 0);
    return end && *end == '\0';
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
        if (level <= m_level)
            std::fputs(text, stderr);
    }

private:
    int m_level;
};

int decode(std::vector<std::string> args)
{
    ReplayOptions options;
    int trace = -1;
    bool keys = false;
    remorra::keys::ProfileViewOwner profile;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help")
            return std::fputs(kDecodeHelp, stdout), 0;
        const bool hasValue = i + 1 < args.size();
        if (a == "--decoder" && hasValue) {
            const std::string v = args[++i];
            if (v == "nec") options.decoderType = TM_IR_DECODER_NEC;
            else if (v == "nec24") options.decoderType = TM_IR_DECODER_NEC24;
            else if (v == "rc5") options.decoderType = TM_IR_DECODER_RC5;
            else if (v == "rc6") options.decoderType = TM_IR_DECODER_RC6;
            else return usage(kDecodeHelp);
        } else if (a == "--mode" && hasValue) {
            const std::string v = args[++i];
            if (v == "edge") options.captureMode = TM_IR_CAPTURE_EDGE;
            else if (v == "sample") options.captureMode = TM_IR_CAPTURE_SAMPLING;
            else return usage(kDecodeHelp);
        } else if (a == "--trace" && hasValue) {
            const std::string v = args[++i];
            if (v != "0" && v != "1" && v != "2")
                return usage(kDecodeHelp);
            trace = v[0] - '0';
        } else if (a == "--keys" && hasValue) {
            switch (selectKeys(args[++i], profile)) {
            case Selection::Ok: break;
            case Selection::Unknown: return usage(kDecodeHelp);
            case Selection::Unreadable: return 2;
            }
            keys = true;
        } else if (a.size() > 1 && a[0] == '-' ) {
            return usage(kDecodeHelp);
        } else {
            files.push_back(a);
        }
    }
    if (files.empty())
        files.push_back("-");
    // Read everything first: a malformed file means nothing is decoded.
    std::vector<Timeline> captures;
    for (const auto& f : files) {
        std::string text;
        if (f == "-") {
            text.assign(std::istreambuf_iterator<char>(std::cin), {});
        } else if (!remorra::os::readWholeFile(f, text)) {
            std::fprintf(stderr, "%s: cannot read the file\n", f.c_str());
            return 2;
        }
        Timeline t;
        std::string error;
        if (!parseCapture(text, f == "-" ? "<stdin>" : f, t, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        captures.push_back(std::move(t));
    }
    StderrTrace sink(trace < 0 ? 0 : trace);
    remorra::TraceSink* previous = remorra::setTraceSink(trace < 0 ? nullptr : &sink);
    // RC6 keys write log lines; the tool keeps them out of the program's log.
    if (keys)
        remorra::os::setEnvironment("REMORRA_LOG", remorra::os::nullDevicePath(), false);
    PrintingSink printer;
    KeysSink keysSink(profile.view());
    CIR_DecoderCallback& keySink = keys ? static_cast<CIR_DecoderCallback&>(keysSink) : printer;
    int status = 0;
    for (std::size_t i = 0; i < captures.size(); ++i) {
        if (files.size() > 1)
            std::printf("# %s\n", files[i].c_str());
        std::string error;
        if (!replayCapture(captures[i], keySink, options, &error)) {
            std::fflush(stdout);
            std::fprintf(stderr, "%s: %s\n", files[i] == "-" ? "<stdin>" : files[i].c_str(), error.c_str());
            status = 1;
        }
    }
    remorra::setTraceSink(previous);
    return status;
}

int encode(std::vector<std::string> args)
{
    if (args.empty() || args[0] == "--help")
        return args.empty() ? usage(kEncodeHelp) : (std::fputs(kEncodeHelp, stdout), 0);
    const std::string kind = args[0];
    std::vector<unsigned long> positional;
    EncodeOptions o;
    unsigned long repeats = 0, toggle = 0, rc6Mode = 6;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help")
            return std::fputs(kEncodeHelp, stdout), 0;
        unsigned long v = 0;
        if (a.rfind("--", 0) == 0) {
            if (i + 1 >= args.size() || !number(args[i + 1], v))
                return usage(kEncodeHelp);
            ++i;
            if (a == "--repeats") repeats = v;
            else if (a == "--toggle") toggle = v;
            else if (a == "--rc6-mode") rc6Mode = v;
            else if (a == "--frames") o.frames = static_cast<int>(v);
            else if (a == "--gap") o.gapMs = static_cast<std::uint32_t>(v);
            else if (a == "--jitter") o.jitterUs = static_cast<std::uint32_t>(v);
            else if (a == "--seed") o.seed = static_cast<std::uint32_t>(v);
            else return usage(kEncodeHelp);
        } else if (number(a, v)) {
            positional.push_back(v);
        } else {
            return usage(kEncodeHelp);
        }
    }
    if (positional.size() != 2 || toggle > 1 || repeats > 1000 || o.frames < 1 || o.frames > 1000)
        return usage(kEncodeHelp);
    Timeline t;
    if (kind == "nec" && positional[0] <= 0xFFFF && positional[1] <= 0xFF)
        t = encodeNec(static_cast<std::uint32_t>(positional[0]), static_cast<std::uint8_t>(positional[1]),
                      static_cast<int>(repeats), false, o);
    else if (kind == "nec24" && positional[0] <= 0xFFFFFF && positional[1] <= 0xFF)
        t = encodeNec(static_cast<std::uint32_t>(positional[0]), static_cast<std::uint8_t>(positional[1]),
                      static_cast<int>(repeats), true, o);
    else if (kind == "rc5" && positional[0] <= 31 && positional[1] <= 127)
        t = encodeRc5(static_cast<std::uint8_t>(positional[0]), static_cast<std::uint8_t>(positional[1]), toggle, o);
    else if (kind == "rc6" && (rc6Mode == 0 || rc6Mode == 6) && positional[0] <= (rc6Mode ? 0xFFFFu : 0xFFu) &&
             positional[1] <= (rc6Mode ? 0xFFFFu : 0xFFu))
        t = encodeRc6(static_cast<int>(rc6Mode), static_cast<std::uint16_t>(positional[0]),
                      static_cast<std::uint16_t>(positional[1]), toggle, o);
    else
        return usage(kEncodeHelp);
    std::fputs(toMode2(t).c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    remorra::os::useBinaryStandardStreams();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kDecodeHelp, args.empty() ? stderr : stdout);
        std::fputs(kEncodeHelp, args.empty() ? stderr : stdout);
        std::fputs("usage: remorra-ir send [--hold MS] BUTTON... | --file CAPTURE   (remorra-ir send --help)\n",
                   args.empty() ? stderr : stdout);
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
    return usage(kDecodeHelp);
}
