#include <gtest/gtest.h>

#include <QDir>

#include "CTempWorkDir.h"
#include "model/ComSettings.h"
#include "store/CXmlStore.h"

namespace {

class OptionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.IsValid());
        store.showMessage = [this](const QString& text, const QString& caption) {
            messages << caption + ": " + text;
        };
    }

    // Loads body as Option.xml into the start-up defaults.
    bool Load(const QByteArray& body) {
        dir.WriteFile(kOptionFile, "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + body);
        settings = DefaultComSettings();
        return LoadOption(store, settings);
    }

    CTempWorkDir dir;
    CXmlStore store{dir.Path()};
    ComSettings settings = DefaultComSettings();
    QStringList messages;
};

TEST_F(OptionFileTest, WithoutAFileTheDefaultsStay) {
    EXPECT_FALSE(LoadOption(store, settings));
    EXPECT_EQ(settings.sComPort, "COM2");
    EXPECT_EQ(settings.nBaud, 9600);
}

TEST_F(OptionFileTest, SavedSettingsMatchTheLayoutAndReadBack) {
    settings.sComPort = "COM5";
    ASSERT_TRUE(SaveOption(store, settings));
    EXPECT_EQ(dir.ReadFile(kOptionFile), ReadTestData("data/option_com5.xml"));

    settings.nBaud = 19200;
    settings.sComPort = "/dev/ttyUSB0 & <friends>";
    ASSERT_TRUE(SaveOption(store, settings));
    ComSettings read = DefaultComSettings();
    ASSERT_TRUE(LoadOption(store, read));
    EXPECT_EQ(read.sComPort, settings.sComPort);
    EXPECT_EQ(read.nBaud, 19200);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(OptionFileTest, ElementsAreFoundByPositionAndOnlyTwoValuesAreRead) {
    EXPECT_TRUE(Load("<Option><A><b>COM7</b><c>4800</c><nDataBits>7</nDataBits></A></Option>"));
    EXPECT_EQ(settings.sComPort, "COM7");
    EXPECT_EQ(settings.nBaud, 4800);
    EXPECT_EQ(settings.nDataBits, 8);

    // A port with no second child keeps the default rate and reports a partial read.
    EXPECT_FALSE(Load("<Option><ComSet><sComPort>COM3</sComPort></ComSet></Option>"));
    EXPECT_EQ(settings.sComPort, "COM3");
    EXPECT_EQ(settings.nBaud, 9600);

    EXPECT_TRUE(Load("<Option><ComSet><p>COM4</p><b>fast</b></ComSet></Option>"));
    EXPECT_EQ(settings.nBaud, 0);

    // A comment is a child like any other: it takes the port's place.
    EXPECT_TRUE(Load("<Option><ComSet><!--COM9--><sComPort>COM3</sComPort></ComSet></Option>"));
    EXPECT_EQ(settings.sComPort, "COM9");
    EXPECT_EQ(settings.nBaud, 0);
}

TEST_F(OptionFileTest, UnexpectedFilesAreIgnoredEntirely) {
    const QByteArray port = "<ComSet><sComPort>COM9</sComPort><nBaud>1200</nBaud></ComSet>";
    const QByteArray ignored[] = {
        "<Option>" + port + port + "</Option>",  // two root children
        "<option>" + port + "</option>",         // root name differs in case
        "<Option></Option>",                     // no ComSet
        "<Option><ComSet/></Option>",            // ComSet without children
        "<Option>" + port,                       // not well-formed
    };
    for (const QByteArray& body : ignored) {
        EXPECT_FALSE(Load(body)) << body.constData();
        EXPECT_EQ(settings.sComPort, "COM2") << body.constData();
        EXPECT_EQ(settings.nBaud, 9600) << body.constData();
    }
    EXPECT_FALSE(Load("<Option>" + port + "<!--" + QByteArray(kMaxXmlFileBytes, '-') + "-->"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(OptionFileTest, FailedSaveIsReportedUnderTheProgramCaption) {
    ASSERT_TRUE(QDir(dir.Path()).mkdir(kOptionFile));
    EXPECT_FALSE(SaveOption(store, settings));
    EXPECT_EQ(messages, QStringList{"Tarnel Remote Control: Fail to save file"});
}

TEST(ReadDecimalTest, ReadsLikeWideStringToLongInBaseTen) {
    struct Row {
        const char16_t* text;
        int value;
    };
    const Row rows[] = {
        {u"", 0},                  // no digits
        {u"abc", 0},               // letters only
        {u"42", 42},               //
        {u"007", 7},               // leading zeros
        {u" \t\n\v\f\r7", 7},      // every C blank is skipped
        {u"+5", 5},                // plus sign
        {u"-5", -5},               // minus sign
        {u"- 5", 0},               // blank after the sign ends the number
        {u"+-5", 0},               // one sign only
        {u"12abc", 12},            // stops at the first other character
        {u"12 34", 12},            //
        {u"0x1F", 0},              // base ten: the x ends it
        {u"3.9", 3},               // no rounding
        {u"2147483647", INT_MAX},  // largest int
        {u"2147483648", INT_MAX},  // saturates
        {u"99999999999999999999", INT_MAX},
        {u"-2147483648", INT_MIN},  // smallest int
        {u"-2147483649", INT_MIN},  // saturates
        {u"\u00A012", 0},           // a no-break space is not a C blank
        {u"\uFF11\uFF12", 0},       // full-width digits are not decimal digits here
        {u"\u0663", 0},             // nor Arabic-Indic ones
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReadDecimal(QStringView(row.text)), row.value)
            << QString::fromUtf16(row.text).toStdString();
    }
}

}  // namespace
