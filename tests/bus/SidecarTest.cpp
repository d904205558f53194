// The lighting kept with each picture: tarnelctl stamp against the real frame, the sidecar
// read back with exiv2's own tool, merged into another program's sidecar, recalled.
#include <QFile>
#include <QRegularExpression>

#include <QToolBar>

#include "BusFixture.h"
#include "bus/CRecallAction.h"
#include "store/CXmlStore.h"

namespace {

// A sidecar as a photo manager leaves it: a rating and a keyword of its own.
const char kManagersSidecar[] =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/">
 <rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
  <rdf:Description rdf:about="" xmlns:xmp="http://ns.adobe.com/xap/1.0/"
    xmlns:dc="http://purl.org/dc/elements/1.1/" xmp:Rating="3">
   <dc:subject><rdf:Bag><rdf:li>product</rdf:li></rdf:Bag></dc:subject>
  </rdf:Description>
 </rdf:RDF>
</x:xmpmeta>
)";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class SidecarTest : public CBusTest {
protected:
    // What exiv2 lists of a sidecar: "Xmp.tarnel.Studio XmpText 1 A" lines, spaces folded.
    ChildRun Exiv2(const QString& sidecar) {
        ChildRun run = Run(QStringLiteral("exiv2"), {QStringLiteral("-PXkyv"), sidecar});
        run.out = run.out.simplified();
        return run;
    }
    QString Image(const char* name) {
        const QString path = Path(QLatin1String(name));
        EXPECT_TRUE(WriteAll(path, "raw"));
        return path;
    }
};

TEST_F(SidecarTest, StampIsReadByExiv2AndKeepsAnotherProgramsFields) {
    StartServing({2, 4});
    const QString image = Image("IMG_0001.CR2");
    const QString sidecar = image + QStringLiteral(".xmp");
    ASSERT_TRUE(WriteAll(sidecar, kManagersSidecar));
    ASSERT_EQ(Ctl({QStringLiteral("set"), QStringLiteral("A"), QStringLiteral("CH-05"),
                   QStringLiteral("flash"), QStringLiteral("6.0")})
                  .exitCode,
              0);
    for (int stamp = 0; stamp < 2; ++stamp) {
        SCOPED_TRACE(stamp);
        const ChildRun run = Ctl({QStringLiteral("stamp"), image});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const ChildRun read = Exiv2(sidecar);
        ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
        const std::string out = read.out.toStdString();
        for (const char* line : {
                 "Xmp.xmp.Rating XmpText 3",  // the manager's fields, kept
                 "Xmp.dc.subject XmpBag product",
                 "Xmp.tarnel.Studio XmpText A",
                 "Xmp.tarnel.Connected XmpText True",
                 "Xmp.tarnel.Units[1]/tarnel:Unit XmpText CH-03",
                 "Xmp.tarnel.Units[1]/tarnel:Flash XmpText 4.5",
                 "Xmp.tarnel.Units[1]/tarnel:Model XmpText 3.0",
                 "Xmp.tarnel.Units[1]/tarnel:Answered XmpText True",
                 "Xmp.tarnel.Units[2]/tarnel:Unit XmpText CH-05",
                 "Xmp.tarnel.Units[2]/tarnel:Flash XmpText 6.0",
             }) {
            EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
        }
        // Stamped twice, still one set of ours.
        EXPECT_EQ(read.out.count(QLatin1String("tarnel:Unit XmpText")), 2);
        EXPECT_EQ(read.out.count(QLatin1String("Xmp.tarnel.Time")), 1);
        // A date as XMP has it, with its offset from UTC.
        EXPECT_TRUE(read.out.contains(QRegularExpression(QStringLiteral(
            R"(Xmp.tarnel.Time XmpText \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d)(\s|$))"))))
            << out;
    }
}

namespace {

struct StampRow {
    const char* what;
    const char* image;        // made unless "" in imageBytes
    const char* sidecar;      // the sidecar file there is beforehand; null for none
    QByteArray sidecarBytes;  // its contents
    bool readOnly;
    int exitCode;
    const char* message;  // a part of standard error
    const char* written;  // the sidecar that holds our lighting afterwards; null for none
};

}  // namespace

TEST_F(SidecarTest, EachPictureGetsItsSidecarOrAClearRefusal) {
    StartServing({2});
    const StampRow rows[] = {
        // No sidecar yet: the name darktable and digiKam use.
        {"new", "A.CR2", nullptr, {}, false, 0, "", "A.CR2.xmp"},
        // The other common name, where it exists, is taken instead.
        {"other name", "B.CR2", "B.xmp", kManagersSidecar, false, 0, "", "B.xmp"},
        // Refused, nothing written: what is there stays byte for byte.
        {"no picture", nullptr, nullptr, {}, false, 1, "no such picture", nullptr},
        {"not XMP", "C.CR2", "C.CR2.xmp", "shopping list\n", false, 1, "is not an XMP sidecar",
         nullptr},
        {"broken XMP", "D.CR2", "D.CR2.xmp", QByteArray(kManagersSidecar).left(200), false, 1,
         "does not parse", nullptr},
        {"read-only", "E.CR2", "E.CR2.xmp", kManagersSidecar, true, 1, "is read-only", nullptr},
    };
    for (const StampRow& row : rows) {
        SCOPED_TRACE(row.what);
        const QString image =
            row.image != nullptr ? Image(row.image) : Path(QStringLiteral("missing.CR2"));
        QString sidecar;
        if (row.sidecar != nullptr) {
            sidecar = Path(QLatin1String(row.sidecar));
            ASSERT_TRUE(WriteAll(sidecar, row.sidecarBytes));
            if (row.readOnly) {
                QFile::setPermissions(sidecar, QFile::ReadOwner | QFile::ReadGroup);
            }
        }
        const ChildRun run = Ctl({QStringLiteral("stamp"), image});
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(row.message))) << run.err.toStdString();
        if (row.written != nullptr) {
            EXPECT_TRUE(ReadAll(Path(QLatin1String(row.written))).contains("tarnel:Unit"));
            EXPECT_EQ(QDir(Folder())
                          .entryList({QStringLiteral("*.xmp")})
                          .count(QStringLiteral("%1.xmp").arg(QLatin1String(row.image))),
                      QString::fromLatin1(row.written) == QLatin1String(row.image) + ".xmp");
        } else if (!sidecar.isEmpty()) {
            EXPECT_EQ(ReadAll(sidecar), row.sidecarBytes);
        } else {
            EXPECT_FALSE(QFile::exists(image + QStringLiteral(".xmp")));
        }
    }
}

// gphoto2 runs its hook at each step, naming the step in ACTION; only a download is a picture.
TEST_F(SidecarTest, TheGphoto2HookStampsEachDownload) {
    StartServing({2});
    const QString hook = QString::fromLocal8Bit(qgetenv("TARNEL_SOURCE_DIR")) +
                         QStringLiteral("/resources/gphoto2-hook");
    const QString image = Image("capt0000.jpg");
    const QString path =
        QStringLiteral("PATH=%1:%2")
            .arg(QFileInfo(Tarnelctl()).absolutePath(), QString::fromLocal8Bit(qgetenv("PATH")));
    const QString folder = QStringLiteral("TARNEL_FOLDER=") + Folder();
    for (const char* action : {"init", "start"}) {
        EXPECT_EQ(Run(hook, {}, {path, folder, QStringLiteral("ACTION=") + action}).exitCode, 0);
    }
    EXPECT_FALSE(QFile::exists(image + QStringLiteral(".xmp")));
    // gphoto2 downloads into its working folder and names the file relative to it.
    const ChildRun run = Run(
        hook, {},
        {path, folder, QStringLiteral("ACTION=download"), QStringLiteral("ARGUMENT=capt0000.jpg")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(ReadAll(image + QStringLiteral(".xmp")).contains("tarnel:Unit"));
    EXPECT_EQ(Run(hook, {}, {path, folder, QStringLiteral("ACTION=stop")}).exitCode, 0);
}

// A picture's lighting comes back as a Business Memory of the same settings would: the same
// preview, then the same frames.
TEST_F(SidecarTest, RecallSendsWhatTheSameBusinessMemorySends) {
    StartServing({2, 4});
    const auto ctl = [this](std::initializer_list<const char*> words) {
        QStringList args;
        for (const char* word : words) {
            args << QLatin1String(word);
        }
        const ChildRun run = Ctl(args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run;
    };
    ctl({"set", "A", "CH-05", "flash", "6.0"});
    ctl({"set", "A", "CH-05", "mode", "Prop"});
    const QString image = Image("IMG_0007.CR2");
    ctl({"stamp", image.toLocal8Bit().constData()});
    ASSERT_TRUE(SaveBusinessMemory(frame->XmlStore(), QStringLiteral("Same")));
    const auto changeAway = [&] {
        ctl({"set", "A", "CH-03", "flash", "2.0"});
        ctl({"set", "A", "CH-05", "model", "5.0"});
        Sent();
    };

    changeAway();
    // The operator cancels: nothing is sent.
    frame->SetMessageBoxHandler([](const QString&, const QString&, bool) { return false; });
    ChildRun run = Ctl({QStringLiteral("recall"), image});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("Cancelled"))) << run.err.toStdString();
    EXPECT_EQ(Sent(), "");

    QString preview;
    frame->SetMessageBoxHandler([&](const QString&, const QString&, bool) {
        preview = frame->LastAskedDetail();
        return true;
    });
    run = Ctl({QStringLiteral("recall"), image});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::string recalled = Sent();
    EXPECT_TRUE(preview.contains(QLatin1String("flash 2.0 -> 4.5"))) << preview.toStdString();
    EXPECT_EQ(unit(4)->nFlashValue, 60);
    EXPECT_EQ(unit(4)->nModelValue, 30);

    // The next picture says where its lighting came from.
    ctl({"stamp", image.toLocal8Bit().constData()});
    EXPECT_TRUE(
        Exiv2(image + QStringLiteral(".xmp"))
            .out.contains(QLatin1String("Xmp.tarnel.Memory XmpText lighting of IMG_0007.CR2")));

    changeAway();
    ctl({"apply", "Same"});
    EXPECT_FALSE(recalled.empty());
    EXPECT_EQ(recalled, Sent());
    ctl({"stamp", image.toLocal8Bit().constData()});
    EXPECT_TRUE(Exiv2(image + QStringLiteral(".xmp"))
                    .out.contains(QLatin1String("Xmp.tarnel.Memory XmpText Same")));
}

// A picture without our lighting, or one whose lighting is damaged, recalls nothing.
TEST_F(SidecarTest, RecallRefusesAPictureWithoutSoundLighting) {
    StartServing({2});
    const struct {
        const char* what;
        QByteArray sidecar;  // empty: none
        const char* message;
    } rows[] = {
        {"no sidecar", {}, "does not exist"},
        {"another program's only", kManagersSidecar, "holds no lighting of ours"},
        {"not XMP", "shopping list", "is not an XMP sidecar"},
        // Flash 25.6 no unit holds: refused by the memory's own check.
        {"out of range",
         QByteArray(kManagersSidecar)
             .replace(
                 "xmp:Rating=\"3\">",
                 "xmp:Rating=\"3\" xmlns:tarnel=\"http://tarnel.org/ns/lighting/1.0/\">"
                 "<tarnel:Units><rdf:Seq><rdf:li rdf:parseType=\"Resource\">"
                 "<tarnel:Unit>CH-03</tarnel:Unit><tarnel:Flash>25.6</tarnel:Flash>"
                 "<tarnel:Model>3.0</tarnel:Model><tarnel:Mode>Free</tarnel:Mode>"
                 "<tarnel:LampMode>Flash Prop</tarnel:LampMode><tarnel:Cell>False</tarnel:Cell>"
                 "<tarnel:Sound>False</tarnel:Sound><tarnel:Power>True</tarnel:Power>"
                 "<tarnel:Lamp>True</tarnel:Lamp></rdf:li></rdf:Seq></tarnel:Units>"),
         "outside"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const QString image = Image("IMG_0009.CR2");
        QFile::remove(image + QStringLiteral(".xmp"));
        if (!row.sidecar.isEmpty()) {
            ASSERT_TRUE(WriteAll(image + QStringLiteral(".xmp"), row.sidecar));
        }
        const ChildRun run = Ctl({QStringLiteral("recall"), image});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QLatin1String(row.message))) << run.err.toStdString();
        EXPECT_EQ(Sent(), "");
    }
}

// At the desktop the same recall is a tool bar entry and a key: the same preview, the same
// frames as tarnelctl recall; a picture without our lighting is told in a message box.
TEST_F(SidecarTest, TheDesktopRecallsAsTarnelctlDoes) {
    StartServing({2, 4});
    auto* action = new CRecallAction(frame->Desk(), *frame, frame.get());
    frame->AddServiceAction(action);
    QString chosen;
    action->SetPictureChooser([&chosen] { return chosen; });
    QWidget* button = frame->ToolBar()->widgetForAction(action);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Recall lighting from a picture..."));

    const QString image = Image("IMG_0011.CR2");
    ASSERT_EQ(Ctl({QStringLiteral("stamp"), image}).exitCode, 0);
    const auto changeAway = [&] {
        frame->Desk().SetPower(QStringLiteral("A"), QStringLiteral("CH-03"),
                               CCommandDesk::Power::kFlash, 2.0);
        frame->Desk().SetPower(QStringLiteral("A"), QStringLiteral("CH-05"),
                               CCommandDesk::Power::kModel, 5.0);
        Sent();
    };
    changeAway();
    ASSERT_EQ(Ctl({QStringLiteral("recall"), image}).exitCode, 0);
    const std::string byTarnelctl = Sent();

    changeAway();
    chosen = image;
    boxes.clear();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    grid().setFocus();
    QTest::keyClick(&grid(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Recall lighting"));
    EXPECT_FALSE(byTarnelctl.empty());
    // The roll call that follows an applied memory asks a moment later, as it did above.
    QTest::qWait(100);
    EXPECT_EQ(Sent(), byTarnelctl);

    // No sidecar: told, nothing sent; a cancelled file dialog: nothing at all.
    changeAway();
    chosen = Image("IMG_0012.CR2");
    boxes.clear();
    action->trigger();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].text.contains(QLatin1String("does not exist")));
    chosen.clear();
    action->trigger();
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(Sent(), "");
}
