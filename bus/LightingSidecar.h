#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <string>

// The studio's lighting kept with a picture, in the picture's XMP sidecar under a namespace of
// our own (prefix "tarnel"), so that any XMP reader lists it beside what a photo manager
// keeps there. Written with exiv2; what other programs wrote in the sidecar stays.
namespace LightingSidecar {

inline constexpr char kNamespace[] = "http://tarnel.org/ns/lighting/1.0/";
inline constexpr char kPrefix[] = "tarnel";

// IMG_0001.CR2.xmp (the name darktable and digiKam use), or IMG_0001.xmp where a sidecar of
// that name already exists.
QString SidecarPathFor(const QString& imagePath);

// The lighting to keep, from the program's status ({"studios": [...], ...}): the studio the
// dongle is on (or else the one shown), its units, the memory applied last (when the status names
// one) and time. Empty with the reason in error when there is no such studio.
QJsonObject LightingOfStatus(const QJsonObject& status, const QDateTime& time, QString& error);

// The sidecar packet with lighting merged into existing (empty for a new sidecar): our fields
// replaced, every other program's kept. False with the reason when existing is not XMP.
bool MergeInto(const std::string& existing, const QJsonObject& lighting, std::string& packet,
               QString& error);

// The lighting a sidecar packet holds ({"studio", "memory", "time", "units": [...]}, the
// form RecallLighting takes). False with the reason for a packet that is not XMP or holds none.
bool ReadLighting(const std::string& packet, QJsonObject& lighting, QString& error);

// Writes the lighting into the image's sidecar, atomically: the sidecar is replaced by a
// whole new one or left as it was. Refuses an image that does not exist, a sidecar that is
// not XMP or is read-only. Returns the sidecar's path, empty with the reason in error.
QString Stamp(const QString& imagePath, const QJsonObject& lighting, QString& error);

// Reads the lighting kept with an image (from its sidecar), naming the picture in it
// ("picture": "IMG_0001.CR2").
bool Recall(const QString& imagePath, QJsonObject& lighting, QString& error);

}  // namespace LightingSidecar
