// The icon's images sit in a resource compiled into a static library, which
// the linker would drop because nothing refers to it by name: registering it
// here keeps it in every program that shows the icon.
#include "app/ProgramIcon.h"

#include <QString>

// Outside any namespace, as the registration's declaration requires.
static void registerResources() { Q_INIT_RESOURCE(pekarun4free); }

QIcon programIcon()
{
    static const bool registered = (registerResources(), true);
    (void)registered;
    QIcon icon;
    for (const int size : kProgramIconSizes) {
        icon.addFile(QString(":/pekarun4free/icon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
