#pragma once
// Standard streams of the command-line tools.
namespace remorra::os {

// Puts stdin and stdout in binary mode where the C library would otherwise
// translate line ends (Windows), so that captures and reports pass through
// pipes byte for byte. Nothing to do elsewhere.
void useBinaryStandardStreams();

} // namespace remorra::os
