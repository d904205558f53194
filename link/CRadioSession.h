#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "link/PortFailure.h"
#include "model/ComSettings.h"

class QEvent;
class QObject;
class CCommThread;
class CLinkObserver;
class CStrobeEventHandler;
class CZbFrameReader;
class CZbProtocol;
class CReconnector;
class CUnitReportSink;
class StudioManager;

// The radio road of one owner, wired once: the serial link, the report handler that applies
// reports to the owner's model, the protocol and the frame reader. The link posts its notices
// (kReceivedNotice, kClosedNotice, alerts) to the owner, which hands the link's two notices to
// HandleNotice; the handler tells the report sink of every unit it changed. UI thread only; the
// link's watcher is the one other thread, and it touches nothing here but the link.
//
// A device that goes away under an opening the owner made is opened again by itself when it
// comes back at the same path (CReconnector), with the same settings; the dongle is then
// switched back to the active studio, so that its reports flow again. Open and Close are the
// owner's word: they end any such waiting.
class CRadioSession {
public:
    // True when the port opened; false when the watcher of the present opening ended (the
    // device went away, or the owner closed the port and no later opening came first).
    using ConnectionListener = std::function<void(bool connected)>;
    // The device came back and was opened again by itself (after the connection listener
    // heard true); port is the name it was opened by.
    using ReconnectionListener = std::function<void(const QString& port)>;

    // reports hears what the report handler did to the model; it must outlive the session.
    CRadioSession(QObject* owner, StudioManager& manager, CUnitReportSink& reports);
    ~CRadioSession();
    CRadioSession(const CRadioSession&) = delete;
    CRadioSession& operator=(const CRadioSession&) = delete;

    // Opens the port at these settings, after closing an earlier opening. On failure the
    // session is not connected and failure (when given) says why.
    bool Open(const ComSettings& settings, PortFailure* failure = nullptr);
    // Closes the port at once, and waits no longer for a device that went away; the listener
    // hears of it when the watcher's notice arrives.
    void Close();
    bool IsConnected() const { return m_connected; }
    // The device went away and is waited for.
    bool IsReconnecting() const;

    // kReceivedNotice: the bytes the ring holds now go to the frame reader. kClosedNotice of the
    // present opening: no longer connected, and the listener hears of it; one of an earlier
    // opening changes nothing. True for these two notices, false for any other event.
    bool HandleNotice(const QEvent& e);

    void SetConnectionListener(ConnectionListener listener) { m_listener = std::move(listener); }
    void SetReconnectionListener(ReconnectionListener listener) {
        m_reconnected = std::move(listener);
    }
    // How often the device is looked for and tried again (tests shorten it).
    void SetReconnectSchedule(const std::vector<std::chrono::milliseconds>& retries,
                              std::chrono::milliseconds look);
    // Who sees the link's frames and events (the frame log); null for none. Set while the port
    // is closed; the observer must outlive the session.
    void SetObserver(CLinkObserver* observer);

    CCommThread& Link() const { return *m_link; }
    CZbProtocol& Protocol() const { return *m_protocol; }
    CZbFrameReader& Reader() const { return *m_reader; }

private:
    // The reconnector's attempt: the same settings again; on success as Open, and then the
    // active studio selected.
    bool Reopen();

    StudioManager& m_manager;
    std::unique_ptr<CCommThread> m_link;
    std::unique_ptr<CStrobeEventHandler> m_handler;
    std::unique_ptr<CZbProtocol> m_protocol;
    std::unique_ptr<CZbFrameReader> m_reader;
    std::unique_ptr<CReconnector> m_reconnector;
    bool m_connected = false;
    // The owner's last Open succeeded and no Close came since: a device that goes away is
    // waited for.
    bool m_rejoin = false;
    ComSettings m_settings;  // of the owner's last Open
    ConnectionListener m_listener;
    ReconnectionListener m_reconnected;
};
