#include "store/CXmlStore.h"

#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <climits>
#include <memory>

#include "model/ComSettings.h"
#include "model/SettingField.h"
#include "model/StudioManager.h"
#include "store/CXmlTextWriter.h"
#include "store/XmlFileIo.h"

namespace {

constexpr const char* kNoChannelItem = "No channel item.";
constexpr const char* kInvalidFileName = "Invalid file name.";
constexpr const char* kFailToSave = "Fail to save file";
constexpr const char* kFailToOpen = "Fail to open file";

// The value elements of a Strobe element, in the order they are written and read: the
// setting fields, then the light name.
constexpr int kValueChildCount = static_cast<int>(kSettingFields.size()) + 1;
constexpr const char* kLightNameElement = "sLightName";

void Show(const CXmlStore& store, const char* text, const char* caption) {
    if (store.showMessage) {
        store.showMessage(QString::fromLatin1(text), QString::fromLatin1(caption));
    }
}

QString MemoryPath(const CXmlStore& store, const QString& name) {
    return store.PathOf(
        QStringLiteral("%1/%2.%3")
            .arg(QLatin1StringView(kBusinessMemoryFolder), name, QStringLiteral("xml")));
}

// The path through which memory name is read or written: its own path, or for a link the
// file it leads to, which must lie inside the folder. Empty for a link that leads outside
// the folder or nowhere: such a name is neither listed, read nor written through.
QString MemoryFileInside(const CXmlStore& store, const QString& name) {
    const QString path = MemoryPath(store, name);
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        return path;
    }
    const QString folder =
        QFileInfo(store.PathOf(QString::fromLatin1(kBusinessMemoryFolder))).canonicalFilePath();
    const QString target = info.canonicalFilePath();  // empty when it leads nowhere
    if (folder.isEmpty() || target.isEmpty() || !target.startsWith(folder + u'/')) {
        return {};
    }
    return target;
}

// The text a node stands for when a value is read from it by position: an element's text,
// or the content of a comment, text section or processing instruction.
QString NodeText(const QDomNode& node) {
    if (node.isElement()) {
        return node.toElement().text();
    }
    if (node.isCharacterData()) {
        return node.toCharacterData().data();
    }
    if (node.isProcessingInstruction()) {
        return node.toProcessingInstruction().data();
    }
    return {};
}

// One Strobe element into a new unit; nullptr when it has fewer than ten children.
std::unique_ptr<StrobeData> ReadUnit(const QDomElement& element) {
    auto unit = std::make_unique<StrobeData>();
    if (element.hasAttribute(QStringLiteral("nChNum"))) {
        unit->nChNum = ReadDecimal(element.attribute(QStringLiteral("nChNum")));
    }
    if (element.hasAttribute(QStringLiteral("sModelName"))) {
        unit->sModelName = element.attribute(QStringLiteral("sModelName"));
    }
    const auto& fields = SettingFields();
    QDomNode child = element.firstChild();
    for (int position = 0; position < kValueChildCount; ++position, child = child.nextSibling()) {
        if (child.isNull()) {
            return nullptr;
        }
        if (position < static_cast<int>(fields.size())) {
            // Kept as written, in range or not: the preview shows it, applying refuses it.
            (*unit).*fields[position].member = ReadDecimal(NodeText(child));
        } else {
            unit->lightNode.sLightName = NodeText(child);
        }
    }
    return unit;
}

// The studio elements below root into memory; false on a child that is not an element or a
// unit element with fewer than ten children.
bool ReadStudios(const QDomElement& root, StudioData& memory) {
    bool storing = false;
    for (QDomNode s = root.firstChild(); !s.isNull(); s = s.nextSibling()) {
        if (!s.isElement()) {
            return false;
        }
        // Units count from the first studio element that carries a studio number on.
        storing = storing || s.toElement().hasAttribute(QStringLiteral("nStudioNum"));
        for (QDomNode u = s.firstChild(); !u.isNull(); u = u.nextSibling()) {
            if (!u.isElement()) {
                return false;
            }
            std::unique_ptr<StrobeData> unit = ReadUnit(u.toElement());
            if (!unit) {
                return false;
            }
            if (storing) {
                const int index = unit->nChNum;
                PlaceUnit(memory, index, std::move(unit));
            }
        }
    }
    return true;
}

// The units of the memory file at path (resolved by MemoryFileInside) into memory, an empty
// studio; false when the file cannot be read, with what was read before the fault left there.
bool ReadMemoryFile(CXmlStore& store, const QString& path, StudioData& memory) {
    QDomDocument document;
    store.pDocument = &document;
    const auto releaseDocument = qScopeGuard([&store] { store.pDocument = nullptr; });
    // The resolved path is read without following a link, so none swapped in since counts.
    return !path.isEmpty() && ReadXmlDocument(path, document, XmlLinks::kRefused) &&
           document.documentElement().tagName() == QLatin1StringView("StudioManage") &&
           ReadStudios(document.documentElement(), memory);
}

QByteArray StudioText(const StudioData& studio) {
    CXmlTextWriter w;
    w.Layout(0);
    w.Open("StudioManage");
    w.Layout(1);
    w.Open("Studio", {{"nStudioNum", QString::number(studio.nStudioNum)},
                      {"sStudioName", studio.sStudioName},
                      {"nChItemCnt", QString::number(studio.nChItemCnt)}});
    for (int i = 0; i < kSlotCount; ++i) {
        StrobeData* unit = studio.UnitAt(i);
        if (unit == nullptr) {
            continue;
        }
        w.Layout(2);
        w.Open("Strobe", {{"nChNum", QString::number(unit->nChNum)},
                          {"sChName", unit->sChName},
                          {"sModelName", unit->sModelName}});
        const auto& fields = SettingFields();
        for (std::size_t k = 0; k < fields.size(); ++k) {
            w.Layout(3);
            w.Value(fields[k].fileName, QString::number((*unit).*fields[k].member));
        }
        w.Layout(3);
        w.Value(kLightNameElement, unit->lightNode.sLightName);
        w.Layout(2);
        w.Close("Strobe");
    }
    w.Layout(1);
    w.Close("Studio");
    w.Layout(0);
    w.Close("StudioManage");
    return w.ToUtf8();
}

QByteArray OptionText(const ComSettings& settings) {
    CXmlTextWriter w;
    w.Layout(0);
    w.Open("Option");
    w.Layout(1);
    w.Open("ComSet");
    w.Layout(2);
    w.Value("sComPort", settings.sComPort);
    w.Layout(2);
    w.Value("nBaud", QString::number(settings.nBaud));
    w.Layout(1);
    w.Close("ComSet");
    w.Layout(0);
    w.Close("Option");
    return w.ToUtf8();
}

// A document that the reader would refuse for its size is not written: the old file of that
// name stays whole and readable.
bool WriteXmlFile(const QString& path, const QByteArray& text) {
    return text.size() <= kMaxXmlFileBytes && WriteFileAtomically(path, text);
}

bool IsReservedDeviceName(QString base) {
    // Windows ignores blanks before the extension when it matches device names.
    while (base.endsWith(u' ')) {
        base.chop(1);
    }
    base = base.toUpper();
    static const QStringList kDevices = {QStringLiteral("CON"),    QStringLiteral("PRN"),
                                         QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                         QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (kDevices.contains(base)) {
        return true;
    }
    if (base.size() == 4 && (base.startsWith(u"COM") || base.startsWith(u"LPT"))) {
        const QChar d = base[3];
        // COM0/LPT0 are reserved on newer Windows; the superscript digits on all of them.
        return (d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3';
    }
    return false;
}

}  // namespace

int ReadDecimal(QStringView text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate up to one past INT_MAX, which is enough to saturate either way.
    constexpr qint64 kCap = qint64(INT_MAX) + 1;
    qint64 value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min(kCap, value * 10 + (text[i].unicode() - u'0'));
    }
    if (negative) {
        return static_cast<int>(-value);
    }
    return static_cast<int>(std::min<qint64>(value, INT_MAX));
}

bool IsValidMemoryName(const QString& name) {
    if (name.isEmpty() || name.endsWith(u'.') || name.endsWith(u' ')) {
        return false;  // also "." and ".."
    }
    // Room for ".xml" within the 255 units (Windows) and 255 bytes (POSIX) of a file name.
    constexpr qsizetype kMaxFileName = 255;
    if (name.size() + 4 > kMaxFileName || name.toUtf8().size() + 4 > kMaxFileName) {
        return false;
    }
    static const QString kRefused = QStringLiteral("/\\:*?\"<>|");
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || kRefused.contains(c)) {
            return false;
        }
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            return false;
        }
    }
    return !IsReservedDeviceName(name.section(u'.', 0, 0));
}

QString CXmlStore::PathOf(const QString& relative) const {
    return QDir(m_baseFolder).filePath(relative);
}

QStringList BusinessMemoryNames(const CXmlStore& store) {
    const QString folder = store.PathOf(QString::fromLatin1(kBusinessMemoryFolder));
    // Sorted as the Windows file system returns them, by name regardless of case; the raw
    // directory order of other file systems would look random. The extension is compared
    // here: a name filter would compile a regular expression at every start.
    const QStringList files =
        QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    QStringList titles;
    for (const QString& file : files) {
        if (!file.endsWith(QLatin1String(".xml"))) {
            continue;
        }
        const QString title = file.chopped(4);
        if (IsValidMemoryName(title) && QFileInfo(MemoryFileInside(store, title)).isFile()) {
            titles << title;
        }
    }
    return titles;
}

void ListBusinessMemory(CXmlStore& store) {
    const QString folder = store.PathOf(QString::fromLatin1(kBusinessMemoryFolder));
    if (!QFileInfo(folder).isDir()) {
        QDir().mkdir(folder);
        return;
    }
    if (!store.pFileList) {
        return;
    }
    for (const QString& title : BusinessMemoryNames(store)) {
        store.pFileList(title);
    }
}

bool LoadBusinessMemory(CXmlStore& store, const QString& name) {
    if (store.pManager == nullptr) {
        return false;
    }
    StudioData& memory = *store.pManager->memoryStudio;
    ClearStudio(*store.pManager, memory);
    if (!IsValidMemoryName(name)) {
        Show(store, kInvalidFileName, kBusinessMemoryCaption);
        return false;
    }
    const bool ok = ReadMemoryFile(store, MemoryFileInside(store, name), memory);
    if (!ok) {
        // Half a broken file must not reach the studio through a later Open.
        ClearStudio(*store.pManager, memory);
        Show(store, kFailToOpen, kBusinessMemoryCaption);
    }
    return ok;
}

StoredMemory ReadStoredMemory(CXmlStore& store, const QString& name) {
    StoredMemory stored;
    const QString path = IsValidMemoryName(name) ? MemoryFileInside(store, name) : QString();
    stored.exists = !path.isEmpty() && QFileInfo::exists(path);
    if (!stored.exists) {
        return stored;
    }
    stored.memory = std::make_unique<StudioData>(-1, QString());
    if (!ReadMemoryFile(store, path, *stored.memory)) {
        stored.memory.reset();
    }
    return stored;
}

bool SaveBusinessMemory(CXmlStore& store, const QString& name) {
    const StudioData* studio = store.pManager ? CurrentStudio(*store.pManager) : nullptr;
    if (studio == nullptr || studio->nChItemCnt == 0) {
        Show(store, kNoChannelItem, kBusinessMemoryCaption);
        return true;
    }
    if (!IsValidMemoryName(name)) {
        Show(store, kInvalidFileName, kBusinessMemoryCaption);
        return false;
    }
    const QString path = MemoryFileInside(store, name);
    if (path.isEmpty()) {
        if (store.showMessage) {
            store.showMessage(QStringLiteral("\"%1\" is a link that does not lead to a file in "
                                             "the %2 folder; nothing was saved.")
                                  .arg(name, QLatin1StringView(kBusinessMemoryFolder)),
                              QString::fromLatin1(kBusinessMemoryCaption));
        }
        return false;
    }
    if (!WriteXmlFile(path, StudioText(*studio))) {
        Show(store, kFailToSave, kBusinessMemoryCaption);
        return false;
    }
    return true;
}

QString MemoryFault(const StudioData& memory) {
    for (int i = 0; i < kSlotCount; ++i) {
        const StrobeData* unit = memory.UnitAt(i);
        if (const SettingField* field = unit ? FirstFaultyField(*unit) : nullptr) {
            return QStringLiteral("%1 %2 %3 is outside %4")
                .arg(unit->sChName, QLatin1StringView(field->name),
                     field->Text((*unit).*field->member), field->RangeText());
        }
    }
    return {};
}

bool ApplyMemoryStudio(StudioData* destination, const StudioData& source) {
    if (destination == nullptr || !MemoryFault(source).isEmpty()) {
        return false;
    }
    for (int i = 0; i < kSlotCount; ++i) {
        StrobeData* to = destination->UnitAt(i);
        const StrobeData* from = source.UnitAt(i);
        if (to == nullptr || from == nullptr) {
            continue;
        }
        to->sModelName = from->sModelName;
        CopySettingFields(*to, *from);
        to->lightNode.sLightName = from->lightNode.sLightName;
    }
    return true;
}

bool LoadOption(CXmlStore& store, ComSettings& settings) {
    QDomDocument document;
    store.pDocument = &document;
    const auto releaseDocument = qScopeGuard([&store] { store.pDocument = nullptr; });
    if (!ReadXmlDocument(store.PathOf(QString::fromLatin1(kOptionFile)), document)) {
        return false;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1StringView("Option") || root.childNodes().count() != 1) {
        return false;
    }
    const QDomNode port = root.firstChild().firstChild();
    if (port.isNull()) {
        return false;
    }
    settings.sComPort = NodeText(port);
    const QDomNode baud = port.nextSibling();
    if (baud.isNull()) {
        return false;
    }
    settings.nBaud = ReadDecimal(NodeText(baud));
    return true;
}

bool SaveOption(CXmlStore& store, const ComSettings& settings) {
    if (!WriteXmlFile(store.PathOf(QString::fromLatin1(kOptionFile)), OptionText(settings))) {
        Show(store, kFailToSave, kOptionCaption);
        return false;
    }
    return true;
}
