#include "bus/BusNames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

constexpr int kHashHexDigits = 16;

// Symbolic links and "..": one folder has one name however it is reached.
QString Canonical(const QString& folder) {
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

}  // namespace

QString BusNames::DefaultUserFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Tarnel Remote Control");
}

QString BusNames::ServiceFor(const QString& folder) {
    const QString path = Canonical(folder);
    if (path == Canonical(DefaultUserFolder())) {
        return QString::fromLatin1(kService);
    }
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    // A bus name's element may not start with a digit: hence the letter.
    return QString::fromLatin1(kService) + QStringLiteral(".u") +
           QString::fromLatin1(hash.left(kHashHexDigits));
}
