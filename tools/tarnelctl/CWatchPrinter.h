#pragma once

#include <QObject>
#include <QString>

// Prints the program's signals as tarnelctl watch shows them: "A CH-03 {json}" for a unit,
// "connected" or "disconnected" for the link, one line each, at once.
class CWatchPrinter : public QObject {
    Q_OBJECT
public slots:
    void OnUnitChanged(const QString& studio, const QString& unit, const QString& json);
    void OnConnectionChanged(bool connected);
};
