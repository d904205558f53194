#pragma once

#include <QJsonObject>
#include <QString>
#include <memory>

#include "control/CCommandDesk.h"

class CFrameHost;
struct StudioData;

// A lighting read back from a picture, {"studio": "A", "picture": "IMG_0007.CR2", "units":
// [{"unit": "CH-03", "name", "light", "flash": 4.5, "model": 3.0, "cell": bool, "sound": bool,
// "power": bool, "lamp": bool, "mode": "Free", "lampmode": "Flash Prop"}]}, as a memory studio;
// null with the reason in error for anything else (a unit named twice, a field missing).
std::unique_ptr<StudioData> LightingAsMemory(const QJsonObject& lighting, QString& error);

// The refusal's message when the operator cancelled the recall.
inline constexpr char kRecallCancelled[] = "Cancelled at the computer";

// Recalls lighting (the JSON above, as text) onto the studio shown at the desktop as a Business
// Memory is applied: the operator sees the same preview and confirms it, then each unit gets
// its settings through the unit core. Refused, sending nothing, when the desk refuses commands
// now, when it is damaged, or when the operator cancels.
CCommandDesk::Outcome RecallLighting(CCommandDesk& desk, CFrameHost& frame,
                                     const QString& lighting);
