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
