// The log and results viewers' rules, without widgets: what a list shows after opening or
// choosing a log, its scroll extent, the picture size taken from the log, the results text.
#include "app/LogViewerLines.h"

#include "QStringPrint.h"
#include "grid/SetupScreenRules.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan::app;

namespace
{
class ViewerRules : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QTemporaryDir dir;
};
} // namespace

TEST_F(ViewerRules, OpeningAndChoosingDifferForAMissingLog)
{
    const LogListFill opening = openingFill(dir.filePath("none.txt"), false, "avi");
    EXPECT_FALSE(opening.showPath);
    ASSERT_TRUE(opening.entries.has_value());
    EXPECT_TRUE(opening.entries->isEmpty());
    EXPECT_TRUE(opening.failure.isEmpty());

    const LogListFill chosen = chosenFill(dir.filePath("none.txt"), false, "avi");
    EXPECT_TRUE(chosen.showPath);
    EXPECT_FALSE(chosen.entries.has_value()); // the list keeps what it shows
    EXPECT_TRUE(chosen.failure.isEmpty());

    const QString log = write("log.txt", "a File: /x.avi\r\nb File: /y.bmp\r\nc.AVI\r\nd.avi");
    for (const LogListFill& fill : {openingFill(log, true, "avi"), chosenFill(log, true, "avi")}) {
        EXPECT_TRUE(fill.showPath);
        EXPECT_EQ(fill.entries.value_or(QStringList{"unset"}),
                  QStringList({"a File: /x.avi", "d.avi"}));
    }
    EXPECT_EQ(chosenFill(log, true, "bmp").entries.value_or(QStringList{}),
              QStringList{"b File: /y.bmp"});
}

TEST_F(ViewerRules, FilePathIsEverythingSixCharactersAfterTheFirstFile)
{
    EXPECT_EQ(logLineFilePath("x File: /v/a File: b.avi"), "/v/a File: b.avi");
    EXPECT_EQ(logLineFilePath("x File:/v/a.avi"), "v/a.avi");
    EXPECT_EQ(logLineFilePath("no path here.avi"), "");
    EXPECT_EQ(logLineFilePath("ends File:"), "");
}

TEST_F(ViewerRules, ScrollExtentMeasuresTheFirstOfTheLongestEntriesByCharacters)
{
    QFont font(QStringLiteral("DejaVu Sans"), 10);
    const QFontMetrics metrics(font);
    // Equally many characters: the first wins, however wide its letters.
    EXPECT_EQ(logListScrollExtent({"iiii.avi", "WWWW.avi", "ab.avi"}, metrics),
              metrics.horizontalAdvance("iiii.avi "));
    EXPECT_EQ(logListScrollExtent({"ab.avi", "WWWW.avi"}, metrics),
              metrics.horizontalAdvance("WWWW.avi "));
    EXPECT_EQ(widestLogEntry({}), "");
}

TEST_F(ViewerRules, PictureSizeComesFromThePictureThroughHimetric)
{
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(dir.filePath("p.bmp")));
    const zelvan::Result<QSizeF> size = logPictureSizeTwips(dir.filePath("p.bmp"));
    ASSERT_TRUE(size.ok()) << size.error();
    EXPECT_EQ(*size, zelvan::grid::pictureSizeTwips(QSize(320, 240)));
    EXPECT_NEAR(size->width(), 320 * 15, 10);

    const QString notPicture = write("fake.bmp", "not a picture at all");
    const zelvan::Result<QSizeF> bad = logPictureSizeTwips(notPicture);
    EXPECT_FALSE(bad.ok());
    EXPECT_TRUE(bad.error().contains(notPicture));
    EXPECT_FALSE(logPictureSizeTwips(dir.filePath("gone.bmp")).ok());
}

TEST_F(ViewerRules, ResultsTextDropsLeadingSpacesOfThePathOnly)
{
    const QString results = write("r.txt", "  line one\r\nline two\r\n");
    const zelvan::Result<QString> text = resultsViewerText("   " + results);
    ASSERT_TRUE(text.ok()) << text.error();
    EXPECT_EQ(*text, "  line one\r\nline two\r\n");
    const zelvan::Result<QString> missing = resultsViewerText(dir.filePath("none.txt"));
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().contains(dir.filePath("none.txt")));
    // The path read is the path the viewer shows: blanks before it go, any others stay.
    EXPECT_EQ(resultsViewerPath("   " + results), results);
    EXPECT_EQ(resultsViewerPath(" C:\\Results  dir\\r.txt "), "C:\\Results  dir\\r.txt ");
    EXPECT_EQ(resultsViewerPath("\tC:\\r.txt"), "\tC:\\r.txt");
    EXPECT_EQ(resultsViewerPath("   "), "");
}
