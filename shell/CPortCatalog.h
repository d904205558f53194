#pragma once

#include <QString>
#include <functional>
#include <vector>

// The ports the "Com Setting" list offers: the serial devices present, each named by what the
// system knows of it and stored by its stable /dev/serial/by-id path when it has one (so the
// same dongle opens again from any USB socket), then the ports that running simulators
// publish, then the stored port when it is a device path not listed yet, then COM1..COM10
// (stored files name them), then the stable links of dongles pulled out.
class CPortCatalog {
public:
    // A serial device as the system describes it.
    struct Device {
        QString path;  // "/dev/ttyUSB0"
        QString description;
        QString manufacturer;
        QString serialNumber;
        bool usb = false;  // a USB serial bridge, as radio dongles are
    };
    struct Entry {
        QString name;         // what is stored and opened
        QString text;         // what the list shows
        QString toolTip;      // more about it
        bool present = true;  // false: listed so the operator sees it, but there is nothing to open
        bool usb = false;     // a USB serial device the system lists
        bool bare = false;    // a COM name alone: no device the system lists stands behind it
    };
    using DeviceSource = std::function<std::vector<Device>()>;

    static constexpr const char* kByIdFolder = "/dev/serial/by-id";

    // The system's devices (QSerialPortInfo) and folders.
    CPortCatalog();
    // Tests point these at folders and devices of their own.
    void SetByIdFolder(const QString& folder) { m_byIdFolder = folder; }
    void SetDeviceSource(DeviceSource source) { m_devices = std::move(source); }

    std::vector<Entry> Entries(const QString& storedPort) const;
    // The entry the list starts on: the stored port's, unless it names nothing present (a
    // Windows name on another system, a dongle pulled out) while exactly one USB serial device
    // is, which is then the one. Empty: none.
    static QString Preselected(const std::vector<Entry>& entries, const QString& storedPort);
    // Where running simulators publish their ports.
    static QString SimulatorFolder();
    static std::vector<Device> SystemDevices();

private:
    QString m_byIdFolder;
    DeviceSource m_devices;
};
