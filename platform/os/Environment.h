#pragma once
// Process environment and the platform's null device, for the tools.
namespace remorra::os {

// Sets `name` unless it is set already and `overwrite` is false.
void setEnvironment(const char* name, const char* value, bool overwrite);
// "/dev/null", or "NUL" on Windows.
const char* nullDevicePath();

} // namespace remorra::os
