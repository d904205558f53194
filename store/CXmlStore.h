#pragma once

#include <QString>
#include <functional>

class QDomDocument;
class StudioManager;
struct StudioData;
struct ComSettings;

// Reads and writes the Business Memory files ("Business Memory/N.xml") and Option.xml, both
// relative to the working directory. Messages for the operator go through showMessage, which
// the GUI turns into a message box and tests record. UI thread only.
class CXmlStore {
public:
    using MessageFn = std::function<void(const QString& text, const QString& caption)>;
    using FileListFn = std::function<void(const QString& fileTitle)>;

    StudioManager* pManager = nullptr;     // set by the Remote Control panel
    QDomDocument* pDocument = nullptr;     // only while one load or save runs
    FileListFn pFileList;                  // appends one title to the panel's file list
    MessageFn showMessage;                 // the operator's message boxes
};

inline constexpr const char* kBusinessMemoryFolder = "Business Memory";
inline constexpr const char* kOptionFile = "Option.xml";

// Appends every "*.xml" title of the folder to pFileList, creating the folder when missing.
void ListBusinessMemory(CXmlStore& store);
// Loads memory name into memoryStudio (which the caller emptied). A failed load leaves
// memoryStudio empty and shows "Fail to open file".
bool LoadBusinessMemory(CXmlStore& store, const QString& name);
// Saves the current studio as memory name, atomically. "No channel item." for an empty
// studio (counts as done); "Invalid file name." for a name that is not a plain file name.
bool SaveBusinessMemory(CXmlStore& store, const QString& name);
// Copies names and setting fields of the slots occupied in both studios. False without a
// destination.
bool ApplyMemoryStudio(StudioData* destination, const StudioData& source);

bool LoadOption(CXmlStore& store, ComSettings& settings);
bool SaveOption(CXmlStore& store, const ComSettings& settings);
