#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh temporary folder whose subfolder "work" is the base folder of the store under test,
// so that a path escaping the base folder still lands inside the temporary folder where Tree()
// sees it. The process's current folder is never changed.
class CTempWorkDir {
public:
    CTempWorkDir();
    CTempWorkDir(const CTempWorkDir&) = delete;
    CTempWorkDir& operator=(const CTempWorkDir&) = delete;

    bool IsValid() const { return m_valid; }
    // The base folder, "work".
    QString Path() const { return m_root.filePath(QStringLiteral("work")); }
    // A path taken from the base folder.
    QString FilePath(const QString& relative) const;
    // Every file and folder below the temporary folder with its size, sorted.
    QStringList Tree() const;

    // Relative paths are taken from the base folder.
    void WriteFile(const QString& relative, const QByteArray& bytes) const;
    QByteArray ReadFile(const QString& relative) const;

private:
    QTemporaryDir m_root;
    bool m_valid = false;
};

// A file kept next to the tests, such as "data/two_units.xml".
QByteArray ReadTestData(const QString& name);
