#include "runtime/private_runtime_folder.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

PrivateRuntimeFolder::PrivateRuntimeFolder()
{
    const char *named = std::getenv("XDG_RUNTIME_DIR");
    if (named && *named)
        return;
    // mkdtemp makes a new folder with mode 0700 under a name no one else could have taken.
    QByteArray pattern = QByteArrayLiteral("/tmp/brentavius4-runtime-XXXXXX");
    if (!::mkdtemp(pattern.data()))
        return;
    m_path = pattern;
    ::setenv("XDG_RUNTIME_DIR", m_path.constData(), 1);
}

PrivateRuntimeFolder::~PrivateRuntimeFolder()
{
    if (m_path.isEmpty())
        return;
    ::unsetenv("XDG_RUNTIME_DIR");
    QDir(QFile::decodeName(m_path)).removeRecursively();
}
