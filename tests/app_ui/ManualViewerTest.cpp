// The manual viewer with real widgets, offscreen, and the manual the station ships.
#include "app/ui/ManualViewer.h"
#include "ViewerFixture.h"
#include "app/Manual.h"
#include "app/RtfReader.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextList>

using namespace zelvan;
using namespace zelvan::test;
using app::Station;
using app::ui::ManualViewer;

namespace
{
class ManualViewerTest : public ViewerFixture
{
protected:
    static int listedParagraphs(const QTextDocument& doc)
    {
        int n = 0;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            n += b.textList() != nullptr;
        return n;
    }
};
} // namespace

TEST_F(ManualViewerTest, StationFoldersOwnManualIsShownOnceAndDoneGoesToTheMainScreen)
{
    write("DI05Manual.rtf", "{\\rtf1\\ansi\\ansicpg1252 {\\b Own} manual \\'fc\\par}");
    station.showScreen(Station::Screen::Manual);
    screens.clear();
    ManualViewer viewer{station, dialogs};
    viewer.show();
    EXPECT_EQ(viewer.document().toPlainText(), QString::fromUtf8("Own manual ü"));
    // Read once per run: a later change of the file shows on the next run only.
    write("DI05Manual.rtf", "{\\rtf1 changed}");
    viewer.hide();
    viewer.show();
    EXPECT_EQ(viewer.document().toPlainText(), QString::fromUtf8("Own manual ü"));
    viewer.findChild<QPushButton*>("cmdDone")->click();
    EXPECT_EQ(requested(), QList<Station::Screen>{Station::Screen::Main});
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ManualViewerTest, WithoutItsOwnCopyTheBuiltInManualIsShown)
{
    ManualViewer viewer{station, dialogs};
    viewer.show();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(viewer.document().toPlainText().contains("Grid Setup"));
    EXPECT_TRUE(viewer.document().toPlainText().contains("./run.sh --demo"));
}

TEST_F(ManualViewerTest, UnreadableOrMissingManualLeavesTheViewerEmptyWithAMessage)
{
    write("DI05Manual.rtf", "This is plain text, not rich text.");
    {
        ManualViewer viewer{station, dialogs};
        viewer.show();
        EXPECT_TRUE(viewer.document().isEmpty());
        ASSERT_EQ(dialogs.messages().size(), 1);
        EXPECT_TRUE(dialogs.messages()[0].startsWith("The manual "));
        EXPECT_TRUE(dialogs.messages()[0].contains("DI05Manual.rtf"));
    }
    dialogs.clear();
    QFile::remove(path("DI05Manual.rtf"));
    ManualViewer viewer{station, dialogs, nullptr, ":/no/such/manual.rtf"};
    viewer.show();
    viewer.hide();
    viewer.show();
    EXPECT_TRUE(viewer.document().isEmpty());
    EXPECT_EQ(dialogs.messages().size(), 1); // told once, not at every showing
    EXPECT_TRUE(dialogs.messages()[0].startsWith("There is no manual"));
}

TEST_F(ManualViewerTest, ShippedManualUsesHeadingsBoldItalicListsAndNonAsciiText)
{
    const QString shipped = qEnvironmentVariable("ZELVAN_SOURCE_DIR") + "/station/DI05Manual.rtf";
    QFile file(shipped);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << shipped;
    QTextDocument doc;
    ASSERT_TRUE(app::readRtf(file.readAll(), doc).ok());
    const QString text = doc.toPlainText();
    EXPECT_FALSE(text.contains('\\')) << "a control word was shown as text";
    EXPECT_FALSE(text.contains('{'));
    EXPECT_TRUE(text.contains(QChar(0x2013)));
    EXPECT_TRUE(text.contains(QChar(0x00FC)));
    EXPECT_GE(listedParagraphs(doc), 10);
    bool bold = false, italic = false, large = false;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            bold |= f.fontWeight() == QFont::Bold;
            italic |= f.fontItalic();
            large |= f.fontPointSize() >= 16;
        }
    EXPECT_TRUE(bold);
    EXPECT_TRUE(italic);
    EXPECT_TRUE(large);
    // Every message the manual explains is quoted as the station shows it.
    for (const char* message :
         {"Please Verify all Setup Parameters", "You entered an invalid path - try  again",
          "Are you sure you want to quit?",
          "No file of skier names called SkierNames.txt exists in the application directory",
          "Names not loaded, check file name and path"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(message))) << message;
}

TEST_F(ManualViewerTest, ControlsCarryTheirNamesAndTheScreenLooksRight)
{
    ManualViewer viewer{station, dialogs};
    EXPECT_EQ(viewer.windowTitle(), "Zelvan 2005 Manual");
    EXPECT_EQ(viewer.findChild<QLabel*>("Label1")->text(), "Zelvan 2005 Manual");
    EXPECT_EQ(viewer.findChild<QPushButton*>("cmdDone")->text(), "Done");
    for (const char* name : {"Label1", "RichTextBox1", "cmdDone"}) {
        QWidget* w = viewer.findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->accessibleDescription(), name);
    }
    viewer.resize(1366, 768);
    viewer.show();
    QApplication::processEvents();
    auto* box = viewer.findChild<QTextBrowser*>("RichTextBox1");
    EXPECT_EQ(viewer.width() - box->width(), 7); // 100 twips
    screenshot(viewer, "frmManual_1366x768");
    viewer.resize(1920, 1080);
    screenshot(viewer, "frmManual_1920x1080");
}

TEST_F(ManualViewerTest, OpensAtLeastHalfTheScreenAndEscOrEnterPressDone)
{
    ManualViewer viewer{station, dialogs};
    viewer.show();
    const QRect free = viewer.screen()->availableGeometry();
    EXPECT_GE(viewer.width() * 2, free.width());
    EXPECT_GE(viewer.height() * 2, free.height());
    EXPECT_TRUE(free.contains(viewer.frameGeometry().topLeft()));
    QApplication::setActiveWindow(&viewer);
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        station.showScreen(Station::Screen::Manual);
        screens.clear();
        QTest::keyClick(viewer.findChild<QTextBrowser*>("RichTextBox1"), key);
        EXPECT_EQ(requested(), QList<Station::Screen>{Station::Screen::Main}) << key;
    }
}
