#pragma once

#include <functional>
#include <memory>

#include "link/PortFailure.h"

class QEvent;
class QObject;
class CCommThread;
class CLinkObserver;
class CStrobeEventHandler;
class CZbFrameReader;
class CZbProtocol;
class StudioManager;
struct ComSettings;

// The radio road of one owner, wired once: the serial link, the report handler that applies
// reports to the owner's model, the protocol and the frame reader. The link posts its notices
// (WM_ZB_RECEIVED, WM_ZB_CLOSED, alerts) and the handler its unit notices to the owner, which
// hands the link's two notices to HandleNotice. UI thread only; the link's watcher is the one
// other thread, and it touches nothing here but the link.
class CRadioSession {
public:
    // True when the port opened; false when the watcher of the present opening ended (the
    // device went away, or the owner closed the port and no later opening came first).
    using ConnectionListener = std::function<void(bool connected)>;

    CRadioSession(QObject* owner, StudioManager& manager);
    ~CRadioSession();
    CRadioSession(const CRadioSession&) = delete;
    CRadioSession& operator=(const CRadioSession&) = delete;

    // Opens the port at these settings, after closing an earlier opening. On failure the
    // session is not connected and failure (when given) says why.
    bool Open(const ComSettings& settings, PortFailure* failure = nullptr);
    // Closes the port at once; the listener hears of it when the watcher's notice arrives.
    void Close();
    bool IsConnected() const { return m_connected; }

    // WM_ZB_RECEIVED: the bytes the ring holds now go to the frame reader. WM_ZB_CLOSED of the
    // present opening: no longer connected, and the listener hears of it; one of an earlier
    // opening changes nothing. True for these two notices, false for any other event.
    bool HandleNotice(const QEvent& e);

    void SetConnectionListener(ConnectionListener listener) { m_listener = std::move(listener); }
    // Who sees the link's frames and events (the frame log); null for none. Set while the port
    // is closed; the observer must outlive the session.
    void SetObserver(CLinkObserver* observer);

    CCommThread& Link() const { return *m_link; }
    CZbProtocol& Protocol() const { return *m_protocol; }
    CZbFrameReader& Reader() const { return *m_reader; }

private:
    std::unique_ptr<CCommThread> m_link;
    std::unique_ptr<CStrobeEventHandler> m_handler;
    std::unique_ptr<CZbProtocol> m_protocol;
    std::unique_ptr<CZbFrameReader> m_reader;
    bool m_connected = false;
    ConnectionListener m_listener;
};
