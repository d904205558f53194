#pragma once

#include <QString>

// Why a serial port could not be opened or configured, for the operator and for support.
struct PortFailure {
    enum class Cause {
        kNone,
        kNoDevice,    // nothing there, or nothing behind it (no port chosen, unplugged, no UART)
        kPermission,  // the user may not read and write the device
        kBusy,        // another program holds it
        kNotSerial,   // a folder, a file, or a device that is no terminal
        kSetting,     // the line settings were refused
        kOther,
    };

    Cause cause = Cause::kNone;
    int errorCode = 0;  // the system's error number; 0 when the cause was found otherwise
    QString text;       // one line: what failed and, where there is one, the fix
};

// "Cannot open PATH: why".
QString CannotOpenText(const QString& path, const QString& why);
// Opening path failed with the system's error code: the cause, and a line that says why and,
// where there is one, the fix (the device's group to join, the program holding it).
PortFailure OpenFailure(const QString& path, int errorCode);
// Another program holds the device: which one, as far as this user may see.
PortFailure BusyFailure(const QString& path, int errorCode);
