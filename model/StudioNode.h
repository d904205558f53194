#pragma once

#include <QtGlobal>

// The three-field header that every studio, unit and light-name record starts with, so
// that a studio-list item can point at any of them and every record leads up to its studio.
enum NodeKind : int {
    kNodeNone = -1,  // the record has no tree item yet
    kNodeStudio = 0,
    kNodeUnit = 1,
    kNodeLight = 2,
};

// Opaque handle of the studio-list item that shows a record; the model never looks inside.
using TreeItemHandle = quintptr;

struct StudioNode {
    int nNodeKind = kNodeNone;
    TreeItemHandle hTreeItem = 0;
    StudioNode* pOwner = nullptr;

    // What the record really is. nNodeKind stays -1 until the studio list shows the record,
    // so the model resolves owners from this tag and never from nNodeKind alone.
    NodeKind RecordType() const { return m_recordType; }

protected:
    explicit StudioNode(NodeKind recordType) : m_recordType(recordType) {}
    ~StudioNode() = default;
    StudioNode(const StudioNode&) = delete;
    StudioNode& operator=(const StudioNode&) = delete;

private:
    NodeKind m_recordType;
};
