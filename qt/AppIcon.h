#pragma once
#include <QIcon>

namespace remorra {
// Icon resource 128: the program's remote-control icon in all its sizes.
QIcon LoadAppIcon();
} // namespace remorra
