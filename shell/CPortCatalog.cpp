#include "shell/CPortCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>
#include <algorithm>
#include <map>

namespace {

bool Listed(const std::vector<CPortCatalog::Entry>& entries, const QString& name) {
    return std::any_of(entries.begin(), entries.end(), [&name](const CPortCatalog::Entry& e) {
        return e.name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

// The symbolic links of a folder, by name.
QFileInfoList LinksIn(const QString& folder) {
    QFileInfoList links;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.isSymLink()) {
            links << entry;
        }
    }
    return links;
}

QString Details(const CPortCatalog::Device& device) {
    QStringList parts;
    for (const QString& part : {device.description, device.manufacturer}) {
        if (!part.trimmed().isEmpty() && !parts.contains(part.trimmed())) {
            parts << part.trimmed();
        }
    }
    if (!device.serialNumber.trimmed().isEmpty()) {
        parts << QStringLiteral("serial %1").arg(device.serialNumber.trimmed());
    }
    return parts.join(QStringLiteral(", "));
}

QString Absent(const QString& text) {
    return text + QStringLiteral(" (absent)");
}

using Entry = CPortCatalog::Entry;
using Device = CPortCatalog::Device;

// The stable names, by the device each leads to. A link that leads nowhere is a dongle that
// was pulled out: put in absent, shown so the operator knows, but not offered.
std::map<QString, QString> StableNames(const QString& byIdFolder, std::vector<Entry>& absent) {
    std::map<QString, QString> byId;
    for (const QFileInfo& link : LinksIn(byIdFolder)) {
        const QString device = link.canonicalFilePath();
        if (device.isEmpty()) {
            absent.push_back({link.absoluteFilePath(), Absent(link.fileName()),
                              QStringLiteral("%1 leads to no device").arg(link.absoluteFilePath()),
                              false});
        } else if (byId.count(device) == 0) {
            byId[device] = link.absoluteFilePath();
        }
    }
    return byId;
}

void AddDevices(std::vector<Entry>& entries, std::vector<Device> devices,
                const std::map<QString, QString>& byId) {
    std::sort(devices.begin(), devices.end(),
              [](const Device& a, const Device& b) { return a.path < b.path; });
    for (const Device& device : devices) {
        // A device gone since the system listed it is not offered.
        const QString canonical = QFileInfo(device.path).canonicalFilePath();
        if (device.path.isEmpty() || canonical.isEmpty()) {
            continue;
        }
        const auto stable = byId.find(canonical);
        const QString name = stable != byId.end() ? stable->second : device.path;
        if (Listed(entries, name)) {
            continue;
        }
        const QString details = Details(device);
        entries.push_back(
            {name,
             details.isEmpty() ? device.path : QStringLiteral("%1  %2").arg(device.path, details),
             name == device.path ? details
                                 : QStringLiteral("Stored as %1, so this device "
                                                  "opens again from any socket")
                                       .arg(name),
             true, device.usb});
    }
}

// A simulator publishes a symbolic link to its pseudo-terminal; a link left by one that has
// ended points nowhere and is not offered.
void AddSimulators(std::vector<Entry>& entries, const QString& folder) {
    for (const QFileInfo& link : LinksIn(folder)) {
        if (QFileInfo::exists(link.symLinkTarget()) && !Listed(entries, link.absoluteFilePath())) {
            entries.push_back({link.absoluteFilePath(), link.absoluteFilePath(),
                               QStringLiteral("strobe-sim (%1)").arg(link.symLinkTarget()), true});
        }
    }
}

void AddStoredPort(std::vector<Entry>& entries, const QString& storedPort) {
    if (storedPort.startsWith(QLatin1Char('/')) && !Listed(entries, storedPort)) {
        // Kept when its device is away, so that "Ok" does not forget the stored dongle.
        const bool present = QFileInfo::exists(storedPort);
        entries.push_back({storedPort, present ? storedPort : Absent(storedPort),
                           QStringLiteral("stored port"), present});
    }
}

void AddComNames(std::vector<Entry>& entries) {
    for (int n = 1; n <= 10; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        entries.push_back({name, name, QString(), true, false, true});
    }
}

}  // namespace

CPortCatalog::CPortCatalog()
    : m_byIdFolder(QString::fromLatin1(kByIdFolder)), m_devices(&CPortCatalog::SystemDevices) {}

QString CPortCatalog::SimulatorFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return (runtime.isEmpty() ? QStringLiteral("/tmp") : runtime) + QStringLiteral("/strobe-sim");
}

std::vector<CPortCatalog::Device> CPortCatalog::SystemDevices() {
    std::vector<Device> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        // Only a USB device has a vendor identifier.
        devices.push_back({info.systemLocation(), info.description(), info.manufacturer(),
                           info.serialNumber(), info.hasVendorIdentifier()});
    }
    return devices;
}

std::vector<CPortCatalog::Entry> CPortCatalog::Entries(const QString& storedPort) const {
    std::vector<Entry> entries;
    std::vector<Entry> absent;
    const std::map<QString, QString> byId = StableNames(m_byIdFolder, absent);
    std::vector<Device> devices = m_devices ? m_devices() : std::vector<Device>();
    AddDevices(entries, std::move(devices), byId);
    AddSimulators(entries, SimulatorFolder());
    AddStoredPort(entries, storedPort);
    AddComNames(entries);
    for (Entry& entry : absent) {
        if (!Listed(entries, entry.name)) {
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

QString CPortCatalog::Preselected(const std::vector<Entry>& entries, const QString& storedPort) {
    const auto stored = std::find_if(entries.begin(), entries.end(), [&storedPort](const Entry& e) {
        return !storedPort.isEmpty() && e.name.compare(storedPort, Qt::CaseInsensitive) == 0;
    });
    if (stored != entries.end() && stored->present && !stored->bare) {
        return stored->name;
    }
    const Entry* usb = nullptr;
    for (const Entry& entry : entries) {
        if (entry.usb && entry.present) {
            if (usb != nullptr) {
                return storedPort;  // which of them is the dongle is the operator's to say
            }
            usb = &entry;
        }
    }
    return usb != nullptr ? usb->name : storedPort;
}
