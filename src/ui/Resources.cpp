#include "ui/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerBootgalleryResources()
{
    Q_INIT_RESOURCE(bootgallery);
}

namespace bg {

void initResources()
{
    static const bool registered = [] {
        registerBootgalleryResources();
        return true;
    }();
    (void)registered;
}

} // namespace bg
