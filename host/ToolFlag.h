#pragma once

// The tool bar's commands, by their tool flag index.
enum ToolFlag : int { kToolLoad = 0, kToolSave = 1, kToolScan = 2, kToolName = 3, kToolCom = 4 };
