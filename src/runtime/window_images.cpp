#include "runtime/window_images.h"

#include <QByteArray>
#include <QtGlobal>

void sendWindowImagesOverTheSocket()
{
    // The toolkit takes any value as "no shared memory": 0 is read here as the user's wish
    // for it, which only an absent variable gives.
    const char *const name = "QT_XCB_NO_MITSHM";
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, QByteArrayLiteral("1"));
    else if (qgetenv(name).trimmed() == "0")
        qunsetenv(name);
}
