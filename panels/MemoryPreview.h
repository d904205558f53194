#pragma once

#include <QStringList>

struct StudioData;

enum class MemoryPreviewKind {
    kApply,     // from: the current studio; to: the memory applied onto it
    kSaveOver,  // from: what the memory's file holds; to: the current studio saved over it
};

// What the Business Memory confirmations show beneath their question: what the action will
// change, one line a slot in slot order, units matched by slot as ApplyMemoryStudio matches
// them. A unit held on both sides that differs: 'CH-03 name "Key" -> "Fill", light "Not
// define" -> "Soft", flash 4.5 -> 5.0, Free -> Prop' (its names, then its setting fields in the
// roll call's words, charge last). A unit held on one side only:
//   kApply     "CH-07: not in this studio, left out" / "CH-09: not in the memory, unchanged"
//   kSaveOver  "CH-07: not in the memory yet, added" / "CH-09: not in this studio, removed
//              from the memory"
// "No change" comes first when the action changes nothing.
QStringList MemoryPreview(const StudioData& from, const StudioData& to, MemoryPreviewKind kind);
