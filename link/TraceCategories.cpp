#include "link/TraceCategories.h"

// Info and above by default: the debug messages, which the trace uses, are off until asked for.
Q_LOGGING_CATEGORY(lcTarnelLink, "tarnel.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTarnelFrames, "tarnel.frames", QtInfoMsg)
