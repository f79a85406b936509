#include "qt/AppIcon.h"

// Resources of a static library need an explicit registration, made outside
// any namespace.
static void RegisterIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(remorra);
        return true;
    }();
    (void)registered;
}

namespace remorra {

QIcon LoadAppIcon()
{
    RegisterIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/remorra/icons/remorra-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace remorra
