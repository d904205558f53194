#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "PanelTestKit.h"
#include "support/ViewMessages.h"

namespace {

// The Business Memory group on real files in a temporary folder.
class BusinessMemoryTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        key = AddUnit(0, 45, 30);
        key->sModelName = QStringLiteral("Key");
        fill = AddUnit(3, 60, 50);
        fill->bModelPow = 0;
        host->manager.currentNode = &StudioA();
    }

    QTreeWidget* List() { return Find<QTreeWidget>("fileList"); }
    QLineEdit* NameEdit() { return Find<QLineEdit>("nameEdit"); }
    QString Info() { return Find<QPlainTextEdit>("infoEdit")->toPlainText(); }

    QStringList Titles() {
        QStringList titles;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            titles << List()->topLevelItem(i)->text(0);
        }
        titles.sort();
        return titles;
    }

    void ClickTitle(const QString& title) {
        const auto items = List()->findItems(title, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << title.toStdString();
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(items[0]).center());
    }

    // The last state each toolbar flag was given, -1 when never.
    int Tool(int flag) {
        int state = -1;
        for (const auto& m : host->frame.Of(WM_SET_TOOL_STATE)) {
            if (m.wParam == flag) {
                state = static_cast<int>(m.lParam);
            }
        }
        return state;
    }

    bool Asked(const char* text) {
        for (const auto& q : host->questions) {
            if (q.text == QLatin1String(text)) {
                return true;
            }
        }
        return false;
    }

    void SaveAs(const QString& name) {
        NameEdit()->clear();
        QTest::keyClicks(NameEdit(), name);
        view->SaveMemory();
    }

    void WriteFile(const QString& relative, const QByteArray& content) {
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    StrobeData* key = nullptr;
    StrobeData* fill = nullptr;
};

TEST_F(BusinessMemoryTest, SavePreviewAndApplyRestoreTheStudio) {
    MakeView();
    EXPECT_TRUE(QDir(Path(QStringLiteral("Business Memory"))).exists());
    EXPECT_TRUE(Titles().isEmpty());

    QTest::keyClicks(NameEdit(), QStringLiteral("portrait"));
    EXPECT_EQ(Tool(kToolSave), 1);
    view->SaveMemory();
    ASSERT_FALSE(host->questions.isEmpty());
    EXPECT_EQ(host->questions[0].text, "Do you want to save current setting?");
    EXPECT_EQ(host->questions[0].caption, "Business Memory");
    EXPECT_TRUE(host->questions[0].withCancel);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("Business Memory/portrait.xml"))));
    EXPECT_EQ(Titles(), QStringList{"portrait"});
    EXPECT_EQ(NameEdit()->text(), "");
    EXPECT_EQ(Tool(kToolLoad), 0);
    EXPECT_EQ(Tool(kToolSave), 0);

    // The operator changes the studio, then previews the file.
    key->nFlashValue = 70;
    key->sModelName = QStringLiteral("Changed");
    fill->bModelPow = 1;
    host->frame.Clear();
    ClickTitle(QStringLiteral("portrait"));
    EXPECT_EQ(NameEdit()->text(), "portrait");
    EXPECT_EQ(Info(), "File info :\nCH-01 Flash 4.5 Model 3.0\nCH-04 Flash 6.0 Model OFF\n");
    EXPECT_EQ(Tool(kToolLoad), 1);
    EXPECT_EQ(Tool(kToolSave), 1);
    EXPECT_EQ(key->nFlashValue, 70);  // a preview does not touch the studio

    host->questions.clear();
    host->Written();
    view->LoadMemory();
    ASSERT_EQ(host->questions.size(), 1);
    EXPECT_EQ(host->questions[0].text, "Current settig is deleted. Do you want to open file?");
    EXPECT_EQ(host->questions[0].caption, "Business Memory");
    EXPECT_EQ(key->nFlashValue, 45);
    EXPECT_EQ(key->sModelName, "Key");
    EXPECT_EQ(fill->bModelPow, 0);
    EXPECT_EQ(host->studioListRecorder.Count(WM_BM_APPLIED), 1);
    // One full-settings frame per unit, each to its own unit:
    // power, flash, model, cell, sound, mode 1, mode 2, model lamp, 0.
    EXPECT_EQ(Written(),
              "FF 0E 01 00 01 01 2D 1E 00 00 00 00 01 00 "
              "FF 0E 01 00 08 01 3C 32 00 00 00 00 00 00");
}

TEST_F(BusinessMemoryTest, CancelAtEitherPromptChangesNothing) {
    MakeView();
    SaveAs(QStringLiteral("kept"));
    key->nFlashValue = 70;
    ClickTitle(QStringLiteral("kept"));
    host->Written();
    host->answerOk = false;

    SaveAs(QStringLiteral("other"));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("Business Memory/other.xml"))));
    EXPECT_EQ(Titles(), QStringList{"kept"});
    EXPECT_EQ(NameEdit()->text(), "other");

    view->LoadMemory();
    EXPECT_EQ(key->nFlashValue, 70);
    EXPECT_EQ(host->studioListRecorder.Count(WM_BM_APPLIED), 0);
    EXPECT_EQ(Written(), "");
}

TEST_F(BusinessMemoryTest, BrokenFileShowsNothingAndIsNeverApplied) {
    // The first unit is sound, the second has only nine values: the load fails part way.
    QDir(host->folder.path()).mkpath(QStringLiteral("Business Memory"));
    const QByteArray value10 =
        "<a>20</a><b>0</b><c>0</c><d>1</d><e>1</e><f>20</f><g>0</g><h>0</h><i>1</i><j>L</j>";
    const QByteArray value9 =
        "<a>20</a><b>0</b><c>0</c><d>1</d><e>1</e><f>20</f><g>0</g><h>0</h><i>1</i>";
    WriteFile(QStringLiteral("Business Memory/broken.xml"),
              "<?xml version='1.0' encoding='utf-8'?><StudioManage><Studio nStudioNum=\"0\">"
              "<Strobe nChNum=\"0\">" +
                  value10 + "</Strobe><Strobe nChNum=\"3\">" + value9 +
                  "</Strobe></Studio></StudioManage>");
    MakeView();
    EXPECT_EQ(Titles(), QStringList{"broken"});

    ClickTitle(QStringLiteral("broken"));
    EXPECT_TRUE(Asked("Fail to open file"));
    EXPECT_EQ(Info(), "");
    EXPECT_EQ(Tool(kToolLoad), 1);

    host->Written();
    view->LoadMemory();
    EXPECT_EQ(key->nFlashValue, 45);
    EXPECT_EQ(key->lightNode.sLightName, "Not define");
    // The units are still sent what they hold.
    EXPECT_EQ(Written(),
              "FF 0E 01 00 01 01 2D 1E 00 00 00 00 01 00 "
              "FF 0E 01 00 08 01 3C 32 00 00 00 00 00 00");
}

TEST_F(BusinessMemoryTest, NameThatLeavesTheFolderWritesNothing) {
    MakeView();
    const QStringList before =
        QDir(host->folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    SaveAs(QStringLiteral("../x"));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("x.xml"))));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("../x.xml"))));
    EXPECT_EQ(QDir(host->folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    EXPECT_TRUE(QDir(Path(QStringLiteral("Business Memory"))).isEmpty());
    EXPECT_TRUE(Titles().isEmpty());
    // The fields are cleared all the same.
    EXPECT_EQ(NameEdit()->text(), "");
}

TEST_F(BusinessMemoryTest, ClickBelowTheItemsBeforeAnySelectionTakesAnEmptyName) {
    MakeView();
    SaveAs(QStringLiteral("one"));
    host->frame.Clear();
    host->questions.clear();
    const QPoint below(5, List()->viewport()->height() - 3);
    ASSERT_EQ(List()->itemAt(below), nullptr);
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(NameEdit()->text(), "");
    EXPECT_FALSE(host->questions.isEmpty());  // the store told the operator why
    EXPECT_EQ(Info(), "");
    EXPECT_EQ(Tool(kToolLoad), 1);
    EXPECT_EQ(Tool(kToolSave), 1);

    // After an item was clicked, a click below the items loads that file again.
    ClickTitle(QStringLiteral("one"));
    Find<QPlainTextEdit>("infoEdit")->clear();
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(NameEdit()->text(), "one");
    EXPECT_TRUE(Info().startsWith("File info :"));
}

TEST_F(BusinessMemoryTest, OpenWithoutPreviewSendsTheStudioAsItIs) {
    MakeView();
    view->LoadMemory();
    EXPECT_EQ(key->nFlashValue, 45);
    EXPECT_EQ(Written(),
              "FF 0E 01 00 01 01 2D 1E 00 00 00 00 01 00 "
              "FF 0E 01 00 08 01 3C 32 00 00 00 00 00 00");

    // Without a current studio there is nothing to open into, and nobody is asked.
    host->manager.currentNode = nullptr;
    host->questions.clear();
    view->LoadMemory();
    EXPECT_TRUE(host->questions.isEmpty());
    EXPECT_EQ(Written(), "");
}

TEST_F(BusinessMemoryTest, SavingOverAFileTellsWhatItWillHold) {
    MakeView();
    SaveAs(QStringLiteral("kept"));
    ASSERT_EQ(host->questions.size(), 1);
    EXPECT_EQ(host->questions[0].detail, "");  // a new memory: nothing is replaced
    const QString kept = Path(QStringLiteral("Business Memory/kept.xml"));
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();

    key->nFlashValue = 70;
    ClickTitle(QStringLiteral("kept"));
    host->questions.clear();
    host->answerOk = false;
    SaveAs(QStringLiteral("kept"));
    ASSERT_EQ(host->questions.size(), 1);
    EXPECT_EQ(host->questions[0].text, "Do you want to save current setting?");
    EXPECT_EQ(host->questions[0].detail, "CH-01 flash 4.5 -> 7.0");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
    file.close();
    // Reading the file for the box left the memory clicked before as it was.
    host->answerOk = true;
    view->LoadMemory();
    EXPECT_EQ(key->nFlashValue, 45);

    // A file that cannot be read is said to be replaced, without a box of its own.
    WriteFile(QStringLiteral("Business Memory/broken.xml"), "<StudioManage><Studio");
    host->questions.clear();
    host->answerOk = false;
    SaveAs(QStringLiteral("broken"));
    ASSERT_EQ(host->questions.size(), 1);
    EXPECT_EQ(host->questions[0].detail,
              "The stored file cannot be read; the current studio replaces it");

    // Without a current studio nothing will be saved, and the save says so itself.
    host->manager.currentNode = nullptr;
    host->questions.clear();
    SaveAs(QStringLiteral("kept"));
    ASSERT_EQ(host->questions.size(), 1);
    EXPECT_EQ(host->questions[0].detail, "");
}

}  // namespace
