#include "bus/LightingSidecar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSaveFile>
#include <cmath>
#include <exiv2/exiv2.hpp>
#include <mutex>

namespace {

// A sidecar is a few kilobytes; anything this big is not one.
constexpr qint64 kMaxSidecarBytes = 4 * 1024 * 1024;
constexpr int kMaxUnits = 10;

enum class Kind { kText, kNumber, kBool };

// A unit's fields: the status's key, the XMP field's name, and how it is written.
struct UnitField {
    const char* key;
    const char* xmp;
    Kind kind;
};
constexpr UnitField kUnitFields[] = {
    {"unit", "Unit", Kind::kText},         {"name", "Name", Kind::kText},
    {"light", "Light", Kind::kText},       {"flash", "Flash", Kind::kNumber},
    {"model", "Model", Kind::kNumber},     {"mode", "Mode", Kind::kText},
    {"lampmode", "LampMode", Kind::kText}, {"cell", "Cell", Kind::kBool},
    {"sound", "Sound", Kind::kBool},       {"power", "Power", Kind::kBool},
    {"lamp", "Lamp", Kind::kBool},         {"answered", "Answered", Kind::kBool},
};

// The toolkit is set up once for the process, with our namespace, and its warnings kept off
// standard error: a refusal says what was wrong in a sentence of ours.
void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
        Exiv2::XmpProperties::registerNs(LightingSidecar::kNamespace, LightingSidecar::kPrefix);
    });
}

std::string Key(const QString& path) {
    return QStringLiteral("Xmp.tarnel.%1").arg(path).toStdString();
}

QString UnitKey(int index, const char* field) {
    return QStringLiteral("Units[%1]/tarnel:%2").arg(index).arg(QLatin1String(field));
}

std::string ValueText(const QJsonValue& value, Kind kind) {
    switch (kind) {
        case Kind::kBool:
            return value.toBool() ? "True" : "False";
        case Kind::kNumber:
            return QString::number(value.toDouble(), 'f', 1).toStdString();
        case Kind::kText:
            break;
    }
    return value.toString().toStdString();
}

QJsonValue JsonOf(const std::string& text, Kind kind) {
    const QString value = QString::fromStdString(text);
    switch (kind) {
        case Kind::kBool:
            return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        case Kind::kNumber: {
            bool ok = false;
            const double number = value.toDouble(&ok);
            return ok && std::isfinite(number) ? QJsonValue(number) : QJsonValue();
        }
        case Kind::kText:
            break;
    }
    return value;
}

// Text as XMP: an RDF packet that the toolkit decodes. Empty text is an empty sidecar.
bool Decode(const std::string& packet, Exiv2::XmpData& data, QString& error) {
    InitialiseOnce();
    if (packet.empty()) {
        return true;
    }
    if (packet.find("http://www.w3.org/1999/02/22-rdf-syntax-ns#") == std::string::npos) {
        error = QStringLiteral("is not an XMP sidecar");
        return false;
    }
    try {
        if (Exiv2::XmpParser::decode(data, packet) != 0) {
            error = QStringLiteral("is not an XMP sidecar (it does not parse)");
            return false;
        }
    } catch (const std::exception&) {
        error = QStringLiteral("is not an XMP sidecar (it does not parse)");
        return false;
    }
    return true;
}

void AddUnits(Exiv2::XmpData& data, const QJsonArray& units) {
    Exiv2::XmpTextValue seq;
    seq.setXmpArrayType(Exiv2::XmpValue::xaSeq);
    data.add(Exiv2::XmpKey(Key(QStringLiteral("Units"))), &seq);
    int index = 0;
    for (const QJsonValue& value : units) {
        const QJsonObject unit = value.toObject();
        ++index;
        Exiv2::XmpTextValue item;
        item.setXmpStruct();
        data.add(Exiv2::XmpKey(Key(QStringLiteral("Units[%1]").arg(index))), &item);
        for (const UnitField& field : kUnitFields) {
            data[Key(UnitKey(index, field.xmp))] =
                ValueText(unit.value(QLatin1String(field.key)), field.kind);
        }
    }
}

}  // namespace

QString LightingSidecar::SidecarPathFor(const QString& imagePath) {
    const QFileInfo image(imagePath);
    const QString other = image.dir().filePath(image.completeBaseName() + QStringLiteral(".xmp"));
    if (image.completeBaseName() != image.fileName() && QFileInfo::exists(other)) {
        return other;
    }
    return imagePath + QStringLiteral(".xmp");
}

QJsonObject LightingSidecar::LightingOfStatus(const QJsonObject& status, const QDateTime& time,
                                              QString& error) {
    // The dongle's studio is the one lit; before any scan set it, the one shown at the desk.
    const QJsonArray studios = status.value(QStringLiteral("studios")).toArray();
    QJsonObject studio;
    for (const char* key : {"inUse", "shown"}) {
        for (const QJsonValue& value : studios) {
            if (studio.isEmpty() && value.toObject().value(QLatin1String(key)).toBool()) {
                studio = value.toObject();
            }
        }
    }
    if (!studio.isEmpty()) {
        QJsonObject lighting{
            {QStringLiteral("studio"), studio.value(QStringLiteral("studio"))},
            {QStringLiteral("studioName"), studio.value(QStringLiteral("name"))},
            {QStringLiteral("units"), studio.value(QStringLiteral("units"))},
            {QStringLiteral("connected"), status.value(QStringLiteral("connected"))},
            // With its offset, as XMP dates are: "2026-12-09T16:40:05+01:00".
            {QStringLiteral("time"),
             time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate)},
        };
        if (const QJsonValue memory = studio.value(QStringLiteral("memory")); memory.isString()) {
            lighting.insert(QStringLiteral("memory"), memory);
        }
        return lighting;
    }
    error = QStringLiteral("No studio is in use or shown at the computer: no lighting to keep");
    return {};
}

bool LightingSidecar::MergeInto(const std::string& existing, const QJsonObject& lighting,
                                std::string& packet, QString& error) {
    Exiv2::XmpData data;
    if (!Decode(existing, data, error)) {
        return false;
    }
    try {
        // Ours are replaced as a whole: a unit gone since the last stamp leaves no trace.
        for (auto it = data.begin(); it != data.end();) {
            it = it->groupName() == kPrefix ? data.erase(it) : std::next(it);
        }
        for (const char* field : {"studio", "studioName", "memory", "time"}) {
            if (const QJsonValue value = lighting.value(QLatin1String(field)); value.isString()) {
                QString name = QLatin1String(field);
                name[0] = name[0].toUpper();
                data[Key(name)] = value.toString().toStdString();
            }
        }
        data[Key(QStringLiteral("Connected"))] =
            ValueText(lighting.value(QStringLiteral("connected")), Kind::kBool);
        AddUnits(data, lighting.value(QStringLiteral("units")).toArray());
        std::string body;
        if (Exiv2::XmpParser::encode(
                body, data,
                Exiv2::XmpParser::omitPacketWrapper | Exiv2::XmpParser::useCompactFormat) != 0) {
            error = QStringLiteral("cannot be written as XMP");
            return false;
        }
        packet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body;
    } catch (const std::exception& e) {
        error =
            QStringLiteral("cannot be written as XMP: %1").arg(QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

bool LightingSidecar::ReadLighting(const std::string& packet, QJsonObject& lighting,
                                   QString& error) {
    Exiv2::XmpData data;
    if (!Decode(packet, data, error)) {
        return false;
    }
    try {
        lighting = {};
        for (const char* field : {"Studio", "StudioName", "Memory", "Time"}) {
            if (auto it = data.findKey(Exiv2::XmpKey(Key(QLatin1String(field))));
                it != data.end()) {
                QString key = QLatin1String(field);
                key[0] = key[0].toLower();
                lighting.insert(key, QString::fromStdString(it->toString()));
            }
        }
        QJsonArray units;
        for (int index = 1; index <= kMaxUnits; ++index) {
            if (data.findKey(Exiv2::XmpKey(Key(UnitKey(index, "Unit")))) == data.end()) {
                break;
            }
            QJsonObject unit;
            for (const UnitField& field : kUnitFields) {
                const auto it = data.findKey(Exiv2::XmpKey(Key(UnitKey(index, field.xmp))));
                if (it == data.end()) {
                    continue;
                }
                const QJsonValue value = JsonOf(it->toString(), field.kind);
                if (value.isNull()) {
                    error = QStringLiteral("holds a damaged lighting: unit %1's %2 is not a number")
                                .arg(index)
                                .arg(QLatin1String(field.xmp));
                    return false;
                }
                unit.insert(QLatin1String(field.key), value);
            }
            units.append(unit);
        }
        if (units.isEmpty()) {
            error = QStringLiteral("holds no lighting of ours");
            return false;
        }
        lighting.insert(QStringLiteral("units"), units);
    } catch (const std::exception&) {
        error = QStringLiteral("holds a damaged lighting");
        return false;
    }
    return true;
}

namespace {

// The sidecar's text, empty for none; false with the reason for one that cannot be ours.
bool ReadSidecar(const QString& path, std::string& text, QString& error) {
    QFile file(path);
    if (!file.exists()) {
        return true;
    }
    if (file.size() > kMaxSidecarBytes) {
        error = QStringLiteral("is not an XMP sidecar (it is too big)");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return false;
    }
    text = file.readAll().toStdString();
    return true;
}

}  // namespace

QString LightingSidecar::Stamp(const QString& imagePath, const QJsonObject& lighting,
                               QString& error) {
    if (!QFileInfo(imagePath).isFile()) {
        error = QStringLiteral("%1: no such picture; nothing written").arg(imagePath);
        return {};
    }
    const QString sidecar = SidecarPathFor(imagePath);
    const QFileInfo info(sidecar);
    std::string existing;
    std::string packet;
    QString why;
    // By its mode, not by access(): a sidecar its owner made read-only stays so under root.
    if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner))) {
        why = QStringLiteral("is read-only");
    } else if (ReadSidecar(sidecar, existing, why) && MergeInto(existing, lighting, packet, why)) {
        QSaveFile file(sidecar);
        if (file.open(QIODevice::WriteOnly) &&
            file.write(packet.data(), qint64(packet.size())) == qint64(packet.size()) &&
            file.commit()) {
            return sidecar;
        }
        why = QStringLiteral("cannot be written: %1").arg(file.errorString());
    }
    error = QStringLiteral("%1 %2; nothing written").arg(sidecar, why);
    return {};
}

bool LightingSidecar::Recall(const QString& imagePath, QJsonObject& lighting, QString& error) {
    if (!QFileInfo(imagePath).isFile()) {
        error = QStringLiteral("%1: no such picture").arg(imagePath);
        return false;
    }
    const QString sidecar = SidecarPathFor(imagePath);
    std::string text;
    QString why = QStringLiteral("does not exist");
    if (QFileInfo::exists(sidecar) && ReadSidecar(sidecar, text, why) &&
        ReadLighting(text, lighting, why)) {
        lighting.insert(QStringLiteral("picture"), QFileInfo(imagePath).fileName());
        return true;
    }
    error = QStringLiteral("%1 %2").arg(sidecar, why);
    return false;
}
