#pragma once

#include <QString>

#include "host/ToolFlag.h"

class StudioManager;
class CUnitControl;
class CZbProtocol;
class CXmlStore;

// What a view may reach through the main frame: the model, the radio protocol, the XML
// store, the unit core and the operator. Views never call one another: they emit what they
// did, and the frame connects each signal once to the view that needs it.
class CFrameHost {
public:
    virtual ~CFrameHost() = default;

    virtual StudioManager& Manager() = 0;
    virtual CZbProtocol& Protocol() = 0;
    virtual CXmlStore& XmlStore() = 0;
    // The unit core: every change a view makes to a unit goes through it.
    virtual CUnitControl& Control() = 0;

    // Load, Save, Scan, Name or Com offered on the tool bar (WM_SET_TOOL_STATE).
    virtual void SetToolAvailable(ToolFlag tool, bool available) = 0;

    // Whether the dongle's port is open: without it a command reaches no unit.
    virtual bool IsConnected() const = 0;

    // A message box: OK only, or OK and Cancel. True for OK. detail, when given, is shown
    // beneath text in smaller type: what the answer will lead to.
    virtual bool AskOperator(const QString& text, const QString& caption, bool withCancel,
                             const QString& detail = {}) = 0;
};
