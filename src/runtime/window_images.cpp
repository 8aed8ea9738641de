#include "runtime/window_images.h"

#include <QByteArray>
#include <QtGlobal>

void sendWindowImagesOverTheSocket()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("1"));
}
