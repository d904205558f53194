#pragma once

#include <QString>
#include <QtGlobal>

// Sees what passes through the serial link, for a frame log. The link calls it from two
// threads: frames written and the open and close events from the UI thread; received bytes,
// hang-ups and lost batches from the watcher thread. An observer must take both, and must
// not block either.
class CLinkObserver {
public:
    enum class Event {
        kOpened,        // detail: device path and line settings
        kOpenFailed,    // detail: why
        kClosed,        // closed by the program
        kHungUp,        // the device went away under the watcher
        kBufferFull,    // detail: how many bytes were lost
        kValueDropped,  // a report's value no unit can hold; detail: which, and the count
        kRemote,        // the phone remote refused something; detail: who and why
    };

    virtual ~CLinkObserver() = default;

    // A frame handed to the port; written is what the port took (short of count after a
    // timeout or a failure, 0 while the port is closed).
    virtual void OnSent(const quint8* bytes, int count, int written) = 0;
    // Bytes as they were read from the port, in order, before they reach the ring.
    virtual void OnReceived(const quint8* bytes, int count) = 0;
    virtual void OnEvent(Event event, const QString& detail) = 0;
};
