#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A fresh temporary folder whose subfolder "work" is the working directory while the object
// lives, so that a path escaping the working directory still lands inside the temporary
// folder where Tree() sees it. The previous working directory comes back afterwards.
class CTempWorkDir {
public:
    CTempWorkDir();
    ~CTempWorkDir();
    CTempWorkDir(const CTempWorkDir&) = delete;
    CTempWorkDir& operator=(const CTempWorkDir&) = delete;

    bool IsValid() const { return m_valid; }
    // Every file and folder below the temporary folder with its size, sorted.
    QStringList Tree() const;

    // Relative paths are taken from the working directory.
    static void WriteFile(const QString& path, const QByteArray& bytes);
    static QByteArray ReadFile(const QString& path);

private:
    QTemporaryDir m_root;
    QString m_oldCwd;
    bool m_valid = false;
};

// A file kept next to the tests, such as "data/two_units.xml".
QByteArray ReadTestData(const QString& name);
