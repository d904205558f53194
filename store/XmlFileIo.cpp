#include "store/XmlFileIo.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include "store/CXmlStore.h"
#include "store/XmlShape.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
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

bool ReadXmlDocument(const QString& path, QDomDocument& document) {
    const QFileInfo info(path);
    // A FIFO or device would block or never end; the size is checked before reading.
    if (!info.isFile() || info.size() > kMaxXmlFileBytes) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.read(kMaxXmlFileBytes + 1);
    if (bytes.size() > kMaxXmlFileBytes || file.error() != QFileDevice::NoError) {
        return false;
    }
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
