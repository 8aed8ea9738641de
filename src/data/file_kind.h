#pragma once

#include <QString>

#include <sys/types.h>

/// What a file of type `mode` (from stat) is when it holds no bytes of its own to read or
/// replace: "un dispositivo", "una tubería (FIFO)" or "un socket"; empty for any other kind.
[[nodiscard]] QString specialFileKind(mode_t mode);
