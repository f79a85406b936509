#include "CaptureInput.h"

#include "platform/os/Files.h"

#include <cstdio>

std::string captureName(const std::string& file) { return file == "-" ? "<stdin>" : file; }

CaptureRead readCapture(const std::string& file, const remorra::tuner::CaptureReader::FrameSink& sink,
                        std::string& error)
{
    remorra::os::InputFile in;
    if (file != "-") {
        if (remorra::os::ReadResult r = in.open(file); !r) {
            error = r.error; // "'FILE': why" or "cannot open 'FILE': why"
            return CaptureRead::Unreadable;
        }
    }
    remorra::tuner::CaptureReader reader(captureName(file), sink);
    static char buffer[64 * 1024];
    for (;;) {
        const long long n = file == "-" ? static_cast<long long>(std::fread(buffer, 1, sizeof buffer, stdin))
                                        : in.read(buffer, sizeof buffer);
        if (n < 0 || (file == "-" && n == 0 && std::ferror(stdin))) {
            error = captureName(file) + ": cannot read the file";
            return CaptureRead::Unreadable;
        }
        if (n == 0)
            break;
        if (!reader.feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
            error = reader.error();
            return error.empty() ? CaptureRead::Stopped : CaptureRead::Malformed;
        }
    }
    if (!reader.finish()) {
        error = reader.error();
        return error.empty() ? CaptureRead::Stopped : CaptureRead::Malformed;
    }
    return CaptureRead::Ok;
}
