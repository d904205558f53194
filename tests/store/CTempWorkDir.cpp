#include "CTempWorkDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

CTempWorkDir::CTempWorkDir() : m_oldCwd(QDir::currentPath()) {
    m_valid = m_root.isValid() && QDir(m_root.path()).mkdir(QStringLiteral("work")) &&
              QDir::setCurrent(m_root.filePath(QStringLiteral("work")));
}

CTempWorkDir::~CTempWorkDir() {
    QDir::setCurrent(m_oldCwd);
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

void CTempWorkDir::WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

QByteArray CTempWorkDir::ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray ReadTestData(const QString& name) {
    return CTempWorkDir::ReadFile(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(name));
}
