#pragma once

#include "link/CZbEventHandler.h"

class QObject;
class StudioManager;

// Applies reports to the units of the current studio and tells the main frame with
// WM_ZB_NEW_UNIT, WM_ZB_UNIT_STATUS (posted) and WM_ZB_UNIT_CHANGED (sent; posted for a
// temperature reading). With no current studio every report is ignored. UI thread only.
class CStrobeEventHandler : public CZbEventHandler {
public:
    CStrobeEventHandler(QObject* frame, StudioManager& manager);

    int OnStatus(int unitIndex, const StrobeData& status) override;
    int OnSetting(quint8 subCode, quint8 unitIndex, quint16 value, const quint8* frame) override;
    int OnEvent(quint8 subCode, quint8 unitIndex, quint8 value) override;
    int OnReading(quint8 subCode, quint8 unitIndex, quint8 value) override;

private:
    QObject* pFrame;
    StudioManager* pManager;
};
