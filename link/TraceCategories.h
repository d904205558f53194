#pragma once

#include <QLoggingCategory>

// The frame log's categories, silent unless enabled for debug messages, e.g.
// QT_LOGGING_RULES="tarnel.link.debug=true;tarnel.frames.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcTarnelLink)    // open, close, hang-up, lost batches
Q_DECLARE_LOGGING_CATEGORY(lcTarnelFrames)  // every frame in both directions
