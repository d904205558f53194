#pragma once

#include <QString>
#include <functional>
#include <vector>

// The ports the "Com Setting" list offers: COM1..COM10, then the serial devices present, each
// named by what the system knows of it and stored by its stable /dev/serial/by-id path when it
// has one (so the same dongle opens again from any USB socket), then the ports that running
// simulators publish, then the stored port when it is a device path not listed yet.
class CPortCatalog {
public:
    // A serial device as the system describes it.
    struct Device {
        QString path;  // "/dev/ttyUSB0"
        QString description;
        QString manufacturer;
        QString serialNumber;
    };
    struct Entry {
        QString name;         // what is stored and opened
        QString text;         // what the list shows
        QString toolTip;      // more about it
        bool present = true;  // false: listed so the operator sees it, but there is nothing to open
    };
    using DeviceSource = std::function<std::vector<Device>()>;

    static constexpr const char* kByIdFolder = "/dev/serial/by-id";

    // The system's devices (QSerialPortInfo) and folders.
    CPortCatalog();
    // Tests point these at folders and devices of their own.
    void SetByIdFolder(const QString& folder) { m_byIdFolder = folder; }
    void SetDeviceSource(DeviceSource source) { m_devices = std::move(source); }

    std::vector<Entry> Entries(const QString& storedPort) const;
    // Where running simulators publish their ports.
    static QString SimulatorFolder();
    static std::vector<Device> SystemDevices();

private:
    QString m_byIdFolder;
    DeviceSource m_devices;
};
