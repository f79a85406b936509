#pragma once
// Capture files as the tools read them: streamed through a CaptureReader, a
// regular file or standard input ('-'), never a FIFO or a device by name.
#include "platform/tuner/IrCapture.h"

#include <string>

enum class CaptureRead { Ok, Unreadable, Malformed, Stopped };

// The name a capture is reported by: the file, or "<stdin>" for '-'.
std::string captureName(const std::string& file);

// Hands the frames of `file` to `sink` as they are read. Unreadable and
// Malformed set `error` to the message for the user; Stopped: `sink` said so.
CaptureRead readCapture(const std::string& file, const remorra::tuner::CaptureReader::FrameSink& sink,
                        std::string& error);
