#include "store/XmlFileIo.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include "store/CXmlStore.h"
#include "store/XmlShape.h"

#include <optional>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

// Forces the written bytes to the disk, so that a failing disk shows before the rename.
bool SyncFile(int fd) {
#ifdef Q_OS_WIN
    Q_UNUSED(fd);
    return true;
#else
    int rc = 0;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
}

// Makes a completed rename in folder durable. A folder that cannot be opened or a file
// system without directory sync is not an error: the file itself is already complete.
bool SyncFolder(const QString& folder) {
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true;
#else
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return true;
    }
    const bool ok = SyncFile(fd);
    ::close(fd);
    return ok;
#endif
}

}  // namespace

namespace {

// The whole file, read through a descriptor whose open never waits: a FIFO or device, also
// one swapped in after the name was checked, is seen on the descriptor itself and refused.
// Empty optional for such a file, one that cannot be read, or one over kMaxXmlFileBytes.
std::optional<QByteArray> ReadRegularFile(const QString& path, XmlLinks links) {
#ifdef Q_OS_WIN
    Q_UNUSED(links);
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxXmlFileBytes) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.read(kMaxXmlFileBytes + 1);
    if (bytes.size() > kMaxXmlFileBytes || file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return bytes;
#else
    int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    if (links == XmlLinks::kRefused) {
        flags |= O_NOFOLLOW;
    }
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return std::nullopt;
    }
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxXmlFileBytes) {
        return std::nullopt;
    }
    QByteArray bytes;
    char buffer[16384];
    while (bytes.size() <= kMaxXmlFileBytes) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, n);
    }
    return std::nullopt;  // grew past the limit while it was read
#endif
}

}  // namespace

bool ReadXmlDocument(const QString& path, QDomDocument& document, XmlLinks links) {
    const std::optional<QByteArray> read = ReadRegularFile(path, links);
    if (!read) {
        return false;
    }
    const QByteArray& bytes = *read;
    // Decoded here, so that the shape check and the parser see the same characters whatever
    // the encoding (a byte scan would miss markup in UTF-16 or UTF-7).
    QStringDecoder decoder;
    if (const auto bom = QStringConverter::encodingForData(bytes, u'<')) {
        decoder = QStringDecoder(*bom);
    } else {
        QXmlStreamReader declaration(bytes);
        declaration.readNext();
        const QString declared = declaration.documentEncoding().toString();
        decoder = declared.isEmpty() ? QStringDecoder(QStringConverter::Utf8)
                                     : QStringDecoder(declared.toLatin1().constData());
    }
    if (!decoder.isValid()) {
        return false;
    }
    const QString text = decoder(bytes);
    if (decoder.hasError() || !XmlShapeWithinLimits(text)) {
        return false;
    }
    return static_cast<bool>(document.setContent(text));
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Never fall back to overwriting in place: that is what could leave half a file.
    file.setDirectWriteFallback(false);
    // Unbuffered: QSaveFile notices a failed write only in write() itself; a buffered write
    // that fails while flushing at commit() would still be renamed over the old file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush() || !SyncFile(file.handle())) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        return false;
    }
    return SyncFolder(QFileInfo(path).absolutePath());
}
