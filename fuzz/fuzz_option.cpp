// Arbitrary bytes as Option.xml. Reading never touches more than the port and the baud rate,
// keeps the default rate unless it read one, and whatever it read saves and reads back the same.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model/ComSettings.h"
#include "store/CXmlStore.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// A reader turns carriage returns in blanks-only text into line feeds; nothing else changes.
QString AsReadBack(QString text) {
    const bool blanks = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    });
    return blanks ? text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n')
                  : text;
}

// A folder of our own for the whole run, in memory where possible since saves sync to disk:
// the store's base folder.
struct Workspace {
    Workspace()
        : dir(QDir(QStringLiteral("/dev/shm")).exists()
                  ? QStringLiteral("/dev/shm/tarnel-fuzz-XXXXXX")
                  : QDir::tempPath() + QStringLiteral("/tarnel-fuzz-XXXXXX")) {
        Require(dir.isValid(), "temporary folder");
    }
    QTemporaryDir dir;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    CXmlStore store(workspace.dir.path());
    {
        QFile file(store.PathOf(QString::fromLatin1(kOptionFile)));
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "write the input");
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    int messages = 0;
    store.showMessage = [&messages](const QString&, const QString&) { ++messages; };

    ComSettings settings = DefaultComSettings();
    const bool loaded = LoadOption(store, settings);
    Require(store.pDocument == nullptr, "document released");
    Require(settings.nDataBits == 8 && settings.nStopBits == 0 && settings.nParity == 0,
            "line settings are never read");
    Require(loaded || settings.nBaud == 9600, "the default rate stays unless a rate was read");
    Require(messages == 0, "reading never shows a message");

    Require(SaveOption(store, settings), "save what loaded");
    ComSettings again = DefaultComSettings();
    again.sComPort.clear();
    again.nBaud = -1;
    Require(LoadOption(store, again), "read what was saved");
    Require(again.sComPort == AsReadBack(settings.sComPort) && again.nBaud == settings.nBaud,
            "saved settings read back the same");
    return 0;
}
