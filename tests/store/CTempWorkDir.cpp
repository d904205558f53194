#include "CTempWorkDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

QByteArray ReadWhole(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

CTempWorkDir::CTempWorkDir() {
    m_valid = m_root.isValid() && QDir(m_root.path()).mkdir(QStringLiteral("work"));
}

QString CTempWorkDir::FilePath(const QString& relative) const {
    return QDir(Path()).filePath(relative);
}

QStringList CTempWorkDir::Tree() const {
    QStringList entries;
    QDirIterator it(m_root.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir root(m_root.path());
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2")
                       .arg(root.relativeFilePath(info.filePath()))
                       .arg(info.isDir() ? -1 : info.size());
    }
    entries.sort();
    return entries;
}

void CTempWorkDir::WriteFile(const QString& relative, const QByteArray& bytes) const {
    QFile file(FilePath(relative));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

QByteArray CTempWorkDir::ReadFile(const QString& relative) const {
    return ReadWhole(FilePath(relative));
}

QByteArray ReadTestData(const QString& name) {
    return ReadWhole(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(name));
}
