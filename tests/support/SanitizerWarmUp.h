#pragma once

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

// The sanitizers read this program's debug information the first time they symbolize a stack,
// which takes a fifth of a second or more. ThreadSanitizer does so for the first (suppressed)
// report of Qt's posted-event hand-off, that is the first time the UI thread takes a notice
// from the serial watcher; a test that counts on the UI draining the link in time would then
// stall there. Symbolizing one address at start-up pays that cost before any test runs.
inline void WarmUpSanitizerSymbolizer() {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    char text[256];
    __sanitizer_symbolize_pc(reinterpret_cast<void*>(&WarmUpSanitizerSymbolizer), "%p %F %L", text,
                             sizeof text);
#endif
}
