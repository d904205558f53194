#pragma once

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/common_interface_defs.h>
#endif

// ThreadSanitizer reads this program's debug information the first time it symbolizes a stack,
// which takes a fifth of a second or more. It does so for the first (suppressed) report of Qt's
// posted-event hand-off, that is the first time the UI thread takes a notice from the serial
// watcher; a test that counts on the UI draining the link in time would stall there.
// Symbolizing one address at start-up pays that cost before any test runs.
inline void WarmUpSanitizerSymbolizer() {
#if defined(__SANITIZE_THREAD__)
    char text[256];
    __sanitizer_symbolize_pc(reinterpret_cast<void*>(&WarmUpSanitizerSymbolizer), "%p %F %L", text,
                             sizeof text);
#endif
}
