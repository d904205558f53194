#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <utility>

#include "model/StudioData.h"

class QDomDocument;
class StudioManager;
struct ComSettings;

// Reads and writes the Business Memory files ("Business Memory/N.xml") and Option.xml, both
// in the base folder it is given (the program's working folder). Messages for the operator go
// through showMessage, which the GUI turns into a message box and tests record. UI thread only.
class CXmlStore {
public:
    using MessageFn = std::function<void(const QString& text, const QString& caption)>;
    using FileListFn = std::function<void(const QString& fileTitle)>;

    explicit CXmlStore(QString baseFolder) : m_baseFolder(std::move(baseFolder)) {}

    const QString& BaseFolder() const { return m_baseFolder; }
    // A path taken from the base folder, such as "Business Memory/Portrait.xml".
    QString PathOf(const QString& relative) const;

    StudioManager* pManager = nullptr;  // set by the Remote Control panel
    QDomDocument* pDocument = nullptr;  // only while one load runs
    FileListFn pFileList;               // appends one title to the panel's file list
    MessageFn showMessage;              // the operator's message boxes

private:
    QString m_baseFolder;
};

inline constexpr const char* kBusinessMemoryFolder = "Business Memory";
inline constexpr const char* kOptionFile = "Option.xml";

// Captions of the operator's messages: memory operations, and the option file.
inline constexpr const char* kBusinessMemoryCaption = "Business Memory";
inline constexpr const char* kOptionCaption = "Tarnel Remote Control";

// Neither file is ever this large; a bigger file is refused unread.
inline constexpr qint64 kMaxXmlFileBytes = 1024 * 1024;

// Appends every "*.xml" title of the folder to pFileList, creating the folder when missing.
// Titles come sorted by name, ignoring case; names that IsValidMemoryName refuses are left
// out, since they could not be opened, and so are links that do not lead to a regular file
// inside the folder. A memory is read and written only as a file inside the folder.
void ListBusinessMemory(CXmlStore& store);
// The same titles, in the same order, without touching the folder or the list.
QStringList BusinessMemoryNames(const CXmlStore& store);
// Loads memory name into memoryStudio (emptied first). A failed load leaves memoryStudio
// empty and shows "Fail to open file" ("Invalid file name." for a name that is not a plain
// file name). False without a manager.
bool LoadBusinessMemory(CXmlStore& store, const QString& name);
// Saves the current studio as memory name, atomically: a failed save leaves the file on disk
// as it was. "No channel item." for an empty or missing current studio (counts as done);
// "Invalid file name." for a name that is not a plain file name; "Fail to save file" when
// the file could not be written, or would be larger than a file that can be read back; a name
// that is a link leading outside the folder or nowhere is refused with a message that says so.
bool SaveBusinessMemory(CXmlStore& store, const QString& name);
// What a save of memory name would replace. exists: a file of that name is there (for a
// name that could be saved); memory: what it holds, read as a load reads it but into a studio
// of its own, leaving memoryStudio and the operator alone; null when it cannot be read.
struct StoredMemory {
    bool exists = false;
    std::unique_ptr<StudioData> memory;
};
StoredMemory ReadStoredMemory(CXmlStore& store, const QString& name);
// The first value of a loaded memory that no unit can hold, for the operator: "CH-02 flash
// 25.6 is outside 1.1 .. 8.1"; empty when every setting field of every unit is in range.
QString MemoryFault(const StudioData& memory);
// Copies names and setting fields of the slots occupied in both studios. False, changing
// nothing, without a destination or for a source that MemoryFault finds damaged.
bool ApplyMemoryStudio(StudioData* destination, const StudioData& source);

// True when name can be used as the title of a file in the "Business Memory" folder on any
// of our platforms: not empty, not "." or "..", no path separators, no characters that
// Windows or POSIX file systems refuse, no trailing dot or blank, no reserved device name,
// and not too long.
bool IsValidMemoryName(const QString& name);

// Reads "Option.xml"; true when both the port and the baud rate were read. Never shows a
// message: whatever the file does not supply keeps its value.
bool LoadOption(CXmlStore& store, ComSettings& settings);
// Writes "Option.xml" atomically; "Fail to save file" on failure (as for a memory).
bool SaveOption(CXmlStore& store, const ComSettings& settings);

// Decimal text as the files hold it: leading blanks and one sign accepted, reading stops at
// the first other character, no digits reads 0, values beyond int saturate.
int ReadDecimal(QStringView text);
