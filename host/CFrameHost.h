#pragma once

#include <QString>

#include "host/UiMessages.h"

class QObject;
class StudioManager;
class CUnitControl;
class CZbProtocol;
class CXmlStore;

// What a view may reach through the main frame: the model, the radio protocol, the XML
// store, the frame itself and the other panes. Views never call one another; they send or
// post application messages to these panes.
class CFrameHost {
public:
    virtual ~CFrameHost() = default;

    virtual StudioManager& Manager() = 0;
    virtual CZbProtocol& Protocol() = 0;
    virtual CXmlStore& XmlStore() = 0;
    // The unit core: every change a view makes to a unit goes through it.
    virtual CUnitControl& Control() = 0;

    // Receives WM_SCAN_STUDIO and WM_CHECK_UNITS.
    virtual QObject* FrameTarget() = 0;
    virtual QObject* StudioListPane() = 0;
    virtual QObject* ControlPane() = 0;
    virtual QObject* NavigationPane() = 0;

    // Load, Save, Scan, Name or Com offered on the tool bar (WM_SET_TOOL_STATE).
    virtual void SetToolAvailable(ToolFlag tool, bool available) = 0;

    // Whether the dongle's port is open: without it a command reaches no unit.
    virtual bool IsConnected() const = 0;

    // A message box: OK only, or OK and Cancel. True for OK. detail, when given, is shown
    // beneath text in smaller type: what the answer will lead to.
    virtual bool AskOperator(const QString& text, const QString& caption, bool withCancel,
                             const QString& detail = {}) = 0;
};
