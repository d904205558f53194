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
    // From the source folder the build names: __FILE__ may be relative to the build folder
    // (ccache's base_dir makes it so), and the tests run in another folder.
    return ReadWhole(QDir(QStringLiteral(QT_TESTCASE_SOURCEDIR "/store")).filePath(name));
}
