// The manual's rich-text reader: what an operator sees of the text, its formats and lists,
// and that damaged or hostile input is read safely.
#include "app/RtfReader.h"

#include "QStringPrint.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>
#include <gtest/gtest.h>

using zelvan::app::kRtfMaxDepth;
using zelvan::app::readRtf;

namespace
{

// Text documents need the font database of a GUI application; offscreen under CTest.
class GuiApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "zelvan-rtf-test";
        static char* argv[] = {name, nullptr};
        app = new QGuiApplication(argc, argv);
    }
    void TearDown() override { delete app; }

private:
    QGuiApplication* app = nullptr;
};
::testing::Environment* const guiApplication =
    ::testing::AddGlobalTestEnvironment(new GuiApplication);

QString plain(const QByteArray& rtf)
{
    QTextDocument doc;
    EXPECT_TRUE(readRtf(rtf, doc).ok());
    return doc.toPlainText();
}

// The format of the first fragment whose text is `text`.
QTextCharFormat formatOf(const QTextDocument& doc, const QString& text)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().text() == text)
                return it.fragment().charFormat();
    ADD_FAILURE() << "no fragment " << text;
    return {};
}

QTextBlock blockWith(const QTextDocument& doc, const QString& text)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (b.text() == text)
            return b;
    ADD_FAILURE() << "no paragraph " << text;
    return {};
}

} // namespace

TEST(RtfReader, ParagraphsLinesTabsAndEscapes)
{
    EXPECT_EQ(plain("{\\rtf1\\ansi Hello\\par World}"), "Hello\nWorld");
    QTextDocument doc;
    ASSERT_TRUE(readRtf("{\\rtf1 a\\line b\\tab c}", doc).ok());
    EXPECT_EQ(doc.toRawText(), QString("a") + QChar(QChar::LineSeparator) + "b\tc");
    EXPECT_EQ(doc.blockCount(), 1); // a line break, not a new paragraph
    EXPECT_EQ(plain("{\\rtf1 \\{x\\} back\\\\slash}"), "{x} back\\slash");
    // Line ends in the source are not text; an escaped line end is a paragraph.
    EXPECT_EQ(plain("{\\rtf1 one\r\ntwo\\\nthree}"), "onetwo\nthree");
    // The space after a control word belongs to it; a second one is text.
    EXPECT_EQ(plain("{\\rtf1 \\b  bold\\b0 x}"), " boldx");
}

TEST(RtfReader, CodePageAndUnicodeCharacters)
{
    EXPECT_EQ(plain("{\\rtf1\\ansi\\ansicpg1252 M\\'fcller \\'96 \\'80}"),
              QString::fromUtf8("Müller – €"));
    // \u with its fallback character skipped, by the default and by \uc2.
    EXPECT_EQ(plain("{\\rtf1 \\u252?ber}"), QString::fromUtf8("über"));
    EXPECT_EQ(plain("{\\rtf1\\uc2 \\u8211\\'96\\'96 x}"), QString::fromUtf8("– x"));
    // A negative value is the 16-bit unit above 32767; a pair makes one character.
    EXPECT_EQ(plain("{\\rtf1 \\u-4064?}"), QString(QChar(char16_t(0xF020))));
    EXPECT_EQ(plain("{\\rtf1 \\u-10179?\\u-8704?}"), QString::fromUtf8("😀"));
    EXPECT_EQ(plain("{\\rtf1 \\endash\\emdash\\bullet}"), QString::fromUtf8("–—•"));
}

TEST(RtfReader, IgnoredDestinationsShowNothing)
{
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0;}"
                           "{\\stylesheet{\\s1 heading 1;}}{\\info{\\title T}}"
                           "{\\*\\generator Writer;}{\\*\\unknownthing junk}"
                           "{\\pict\\pngblip 89504e47}{\\header head}Body}";
    EXPECT_EQ(plain(rtf), "Body");
    // Binary data is skipped by its length, braces inside it included.
    EXPECT_EQ(plain("{\\rtf1 a{\\*\\blob\\bin4 }}{x}b}"), "ab");
}

TEST(RtfReader, BoldItalicUnderlineAndSizesFollowGroups)
{
    QTextDocument doc;
    ASSERT_TRUE(readRtf("{\\rtf1 \\fs20 n {\\b\\fs32 B}{\\i I}{\\ul U}\\b x\\b0 y\\i z\\i0 "
                        "\\ul w\\ulnone v\\b\\i\\plain p}",
                        doc)
                    .ok());
    EXPECT_EQ(doc.toPlainText(), "n BIUxyzwvp");
    EXPECT_EQ(formatOf(doc, "B").fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(formatOf(doc, "B").fontPointSize(), 16.0);
    EXPECT_DOUBLE_EQ(formatOf(doc, "n ").fontPointSize(), 10.0);
    EXPECT_EQ(formatOf(doc, "n ").fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatOf(doc, "I").fontItalic());
    EXPECT_FALSE(formatOf(doc, "I").fontWeight() == QFont::Bold);
    EXPECT_TRUE(formatOf(doc, "U").fontUnderline());
    EXPECT_EQ(formatOf(doc, "x").fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(doc, "y").fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatOf(doc, "z").fontItalic());
    EXPECT_TRUE(formatOf(doc, "w").fontUnderline());
    EXPECT_FALSE(formatOf(doc, "v").fontUnderline());
    EXPECT_FALSE(formatOf(doc, "p").fontItalic());
    EXPECT_DOUBLE_EQ(formatOf(doc, "p").fontPointSize(), 12.0);
}

TEST(RtfReader, IndentsAlignmentAndPard)
{
    QTextDocument doc;
    ASSERT_TRUE(
        readRtf("{\\rtf1 \\li720\\fi-360\\qc Indented\\par Still\\par\\pard Plain}", doc).ok());
    EXPECT_DOUBLE_EQ(blockWith(doc, "Indented").blockFormat().leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(blockWith(doc, "Indented").blockFormat().textIndent(), -24.0);
    EXPECT_EQ(blockWith(doc, "Indented").blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(blockWith(doc, "Still").blockFormat().leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(blockWith(doc, "Plain").blockFormat().leftMargin(), 0.0);
    EXPECT_EQ(blockWith(doc, "Plain").blockFormat().alignment(), Qt::AlignLeft);
}

TEST(RtfReader, BulletAndNumberedListsFromTheirMarkers)
{
    QTextDocument doc;
    ASSERT_TRUE(readRtf("{\\rtf1 Intro\\par"
                        "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}"
                        "\\fi-360\\li720 one\\par{\\pntext\\f1\\'B7\\tab}two\\par"
                        "\\pard{\\listtext\\pard\\plain 1.\\tab}first\\par"
                        "{\\listtext 2.\\tab}second\\par\\pard After}",
                        doc)
                    .ok());
    EXPECT_EQ(doc.toPlainText(), "Intro\none\ntwo\nfirst\nsecond\nAfter");
    const QTextBlock one = blockWith(doc, "one");
    ASSERT_NE(one.textList(), nullptr);
    EXPECT_EQ(one.textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(blockWith(doc, "two").textList(), one.textList());
    const QTextBlock first = blockWith(doc, "first");
    ASSERT_NE(first.textList(), nullptr);
    EXPECT_NE(first.textList(), one.textList());
    EXPECT_EQ(first.textList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(blockWith(doc, "second").textList(), first.textList());
    EXPECT_EQ(blockWith(doc, "Intro").textList(), nullptr);
    EXPECT_EQ(blockWith(doc, "After").textList(), nullptr);
}

TEST(RtfReader, NotRichTextIsRefusedAndEmptiesTheDocument)
{
    QTextDocument doc;
    doc.setPlainText("old text");
    const auto result = readRtf("plain words, not rich text", doc);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error().isEmpty());
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_FALSE(readRtf(QByteArray(), doc).ok());
    // Leading white space before the header is allowed.
    EXPECT_EQ(plain("\r\n  {\\rtf1 ok}"), "ok");
}

TEST(RtfReader, DamagedInputIsReadAsFarAsItGoes)
{
    EXPECT_EQ(plain("{\\rtf1 cut {\\b short"), "cut short");
    EXPECT_EQ(plain("{\\rtf1 a}}}} b"), "a b");
    EXPECT_EQ(plain("{\\rtf1 bad \\'zz hex and end \\'4"), "bad zz hex and end 4");
    EXPECT_EQ(plain("{\\rtf1 x\\"), "x");
    EXPECT_EQ(plain("{\\rtf1 \\fs99999999999999999 big \\bin-5 \\u99999999999 ?y}"), "big y");
    // An over-long control word is one unknown word.
    EXPECT_EQ(plain("{\\rtf1 \\" + QByteArray(5000, 'a') + " z}"), "z");
}

TEST(RtfReader, DeepNestingIsCappedWithoutLosingWhatFollows)
{
    const int depth = 200000;
    QByteArray rtf = "{\\rtf1 start ";
    rtf += QByteArray(depth, '{') + "deep" + QByteArray(depth, '}');
    rtf += " end}";
    EXPECT_EQ(plain(rtf), "start  end");
    // Just inside the cap the text is shown.
    QByteArray inside = "{\\rtf1 ";
    inside += QByteArray(kRtfMaxDepth - 2, '{') + "kept" + QByteArray(kRtfMaxDepth - 2, '}') + "}";
    EXPECT_EQ(plain(inside), "kept");
}

TEST(RtfReader, LongListsAndManyFormatsStayFast)
{
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 20000; ++i)
        rtf += "{\\pntext \\'b7\\tab}item\\par{\\b x}{\\i y}";
    rtf += "}";
    QElapsedTimer timer;
    timer.start();
    QTextDocument doc;
    ASSERT_TRUE(readRtf(rtf, doc).ok());
    // Quadratic reading took minutes here; linear reading takes well under a second.
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_EQ(doc.blockCount(), 20001);
    EXPECT_FALSE(doc.isUndoAvailable());
    // Lists are cut into runs of at most 200 items; every item is still a list item.
    const QTextBlock first = doc.begin();
    ASSERT_NE(first.textList(), nullptr);
    EXPECT_EQ(first.textList()->count(), 200);
    EXPECT_NE(doc.findBlockByNumber(200).textList(), first.textList());
    EXPECT_NE(doc.findBlockByNumber(19999).textList(), nullptr);
}
