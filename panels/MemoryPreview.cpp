#include "panels/MemoryPreview.h"

#include "model/SettingField.h"
#include "model/StudioData.h"

namespace {

// A name as the preview shows it: quoted, since a typed name can hold blanks, commas and
// arrows; on one line, and no longer than a name typed here, since a file made elsewhere
// may hold a name of any length and any characters.
QString Quoted(const QString& name) {
    QString shown = name.left(kMaxNameLength);
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control) {
            c = u' ';
        }
    }
    if (name.size() > kMaxNameLength) {
        shown += QStringLiteral("...");
    }
    return u'"' + shown + u'"';
}

void AddNameChange(QStringList& changes, const char* what, const QString& from, const QString& to) {
    if (from != to) {
        changes
            << QStringLiteral("%1 %2 -> %3").arg(QLatin1StringView(what), Quoted(from), Quoted(to));
    }
}

// Everything applying or saving copies from one unit over the other: the two names and the nine
// fields.
QStringList UnitChanges(const StrobeData& from, const StrobeData& to) {
    QStringList changes;
    AddNameChange(changes, "name", from.sModelName, to.sModelName);
    AddNameChange(changes, "light", from.lightNode.sLightName, to.lightNode.sLightName);
    changes << SettingChanges(from, to, true, true);
    return changes;
}

}  // namespace

QStringList MemoryPreview(const StudioData& from, const StudioData& to, MemoryPreviewKind kind) {
    const bool apply = kind == MemoryPreviewKind::kApply;
    QStringList lines;
    bool changed = false;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const StrobeData* before = from.UnitAt(slot);
        const StrobeData* after = to.UnitAt(slot);
        const QString label = SlotLabelOf(slot);
        if (before != nullptr && after != nullptr) {
            const QStringList changes = UnitChanges(*before, *after);
            if (!changes.isEmpty()) {
                lines << QStringLiteral("%1 %2").arg(label, changes.join(QStringLiteral(", ")));
                changed = true;
            }
        } else if (after != nullptr) {
            lines << label + (apply ? QStringLiteral(": not in this studio, left out")
                                    : QStringLiteral(": not in the memory yet, added"));
            changed = changed || !apply;
        } else if (before != nullptr) {
            lines << label +
                         (apply ? QStringLiteral(": not in the memory, unchanged")
                                : QStringLiteral(": not in this studio, removed from the memory"));
            changed = changed || !apply;
        }
    }
    if (!changed) {
        lines.prepend(QStringLiteral("No change"));
    }
    return lines;
}
