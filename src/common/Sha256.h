#pragma once

#include "common/Result.h"

#include <QByteArrayView>
#include <QString>

// SHA-256 digests in lower-case hex, through the system's crypto library,
// which uses the processor's SHA instructions where it has them (several
// times faster than a portable implementation on a file of megabytes).
namespace Sha256 {

QString hex(QByteArrayView bytes);

// The digest of a file's bytes; fails with the reason when it cannot be read.
Result<QString> fileHex(const QString& path);

} // namespace Sha256
