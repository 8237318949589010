// A full disk is seen before the pass: Start on the capture screen is refused when the save-video
// folder's drive cannot hold one pass, and a pass that left no file keeps its attempt number.
#include "PreviewFixture.h"

#include "FileFailures.h"
#include "capture/PassSpace.h"

#include <QFileInfo>
#include <cmath>

using namespace zelvan;
using zelvan::test::PreviewTest;

namespace
{

// The free space every volume reports while it lives (the station's own seam for it).
class FreeSpace
{
public:
    explicit FreeSpace(qint64 bytes) { set(bytes); }
    ~FreeSpace() { qunsetenv("ZELVAN_FREE_BYTES"); }
    FreeSpace(const FreeSpace&) = delete;
    FreeSpace& operator=(const FreeSpace&) = delete;
    void set(qint64 bytes) { qputenv("ZELVAN_FREE_BYTES", QByteArray::number(bytes)); }
};

class PreviewDiskSpaceTest : public PreviewTest
{
protected:
    bool readyToStart()
    {
        return button("cmdStartCapture")->isEnabled() && !button("cmdStartTimer")->isEnabled() &&
               button("btnCaptureFrame")->isEnabled() && button("cmdGoToTimer")->isEnabled() &&
               button("cmdGoSetup")->isEnabled();
    }
    QStringList videoFiles() const { return QDir(videos()).entryList(QDir::Files); }
    void record(int ms = 400)
    {
        button("cmdStartCapture")->click();
        ASSERT_TRUE(control.capturing()) << dialogs.messages().join(" | ").toStdString();
        QTest::qWait(ms);
        preview->escape();
        ASSERT_FALSE(control.capturing());
    }
    QString refusal(const QString& free, const QString& pass, const QString& need,
                    const QString& basis) const
    {
        return QStringLiteral("There is not enough disk space to record a pass in %1: %2 MB free, "
                              "one pass of %3 needs about %4 MB (%5).  Free some space or choose "
                              "another save-video folder, then start again.")
            .arg(videos(), free, pass, need, basis);
    }
};

} // namespace

TEST_F(PreviewDiskSpaceTest, StartIsRefusedWhenTheDriveCannotHoldOnePass)
{
    connectTestPattern(); // 640x480, 30 fps, MJPEG
    FreeSpace free(27000000);
    screen("");
    station.setCaptureSkierName("Smith");
    button("cmdStartCapture")->click();
    EXPECT_FALSE(control.capturing());
    EXPECT_EQ(applied, 1) << "the pass is estimated at the values the panel applies";
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              refusal("27", "5 seconds at 640x480, 30 fps, MJPEG", "28", "estimated"));
    EXPECT_EQ(dialogs.shown[0].title, "Disk Space Warning");
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);
    EXPECT_EQ(logged("Start refused: " + dialogs.shown[0].text), 1);
    EXPECT_TRUE(readyToStart());
    EXPECT_EQ(box("txtPass")->text(), "1");
    EXPECT_TRUE(videoFiles().isEmpty());

    // Far above the 200 MB warning, and still too little for one uncompressed HD pass.
    control.setResolutionIndex(7);
    control.setVideoCompressorIndex(-1);
    control.setFrameRate(60);
    free.set(1000000000);
    dialogs.clear();
    button("cmdStartCapture")->click();
    EXPECT_FALSE(control.capturing());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              refusal("1000", "5 seconds at 1920x1080, 60 fps, Uncompressed", "2240", "estimated"));

    // Room for the pass: it is recorded.
    control.setResolutionIndex(1);
    control.setVideoCompressorIndex(0);
    control.setFrameRate(30);
    free.set(27717856);
    dialogs.clear();
    record();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.messages().join(" | ").toStdString();
    EXPECT_EQ(videoFiles(), QStringList{"Smithjump1.avi"});
    EXPECT_EQ(box("txtPass")->text(), "2");
}

TEST_F(PreviewDiskSpaceTest, AfterAPassWhatItWrotePerSecondIsWhatOnePassNeeds)
{
    connectTestPattern();
    FreeSpace free(5000000000LL);
    screen("");
    station.setCaptureSkierName("Smith");
    record(600);
    const qint64 bytes = QFileInfo(video("Smithjump1.avi")).size();
    ASSERT_GT(preview->capturedFrameCount(), 0);
    const double perSecond =
        double(bytes) * preview->captureFrameRate() / preview->capturedFrameCount();
    const qint64 need = qint64(std::ceil(perSecond * 6)) + 64 * 1024;
    // The test card compresses far below the estimate for a lake: what the estimate would refuse
    // the last pass allows.
    ASSERT_LT(need, 27717856);
    free.set(need);
    record();
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.messages().join(" | ").toStdString();
    EXPECT_TRUE(QFileInfo::exists(video("Smithjump2.avi")));

    // One byte short of what the last pass says one pass takes.
    const qint64 bytes2 = QFileInfo(video("Smithjump2.avi")).size();
    const double perSecond2 =
        double(bytes2) * preview->captureFrameRate() / preview->capturedFrameCount();
    const qint64 need2 = qint64(std::ceil(perSecond2 * 6)) + 64 * 1024;
    free.set(need2 - 1);
    button("cmdStartCapture")->click();
    EXPECT_FALSE(control.capturing());
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              refusal(QString::number((need2 - 1) / 1000000), "5 seconds at 640x480, 30 fps, MJPEG",
                      QString::number((need2 + 999999) / 1000000), "as the last pass did"));
    EXPECT_EQ(box("txtPass")->text(), "3");
    EXPECT_FALSE(QFileInfo::exists(video("Smithjump3.avi")));
}

TEST_F(PreviewDiskSpaceTest, ARefusedStartLeavesTheRecordedPassNamed)
{
    connectTestPattern();
    FreeSpace free(5000000000LL);
    screen("");
    station.setCaptureSkierName("Smith");
    record();
    ASSERT_EQ(station.capturedVideoFile(), video("Smithjump1.avi"));
    // The next Start is refused; ESC then leaves for frame selection with no new pass.
    free.set(1000);
    dialogs.clear();
    button("cmdStartCapture")->click();
    ASSERT_FALSE(control.capturing());
    ASSERT_EQ(dialogs.shown.size(), 1);
    preview->escape();
    EXPECT_EQ(station.capturedVideoFile(), video("Smithjump1.avi"))
        << "a pass that was never started has no file to show";
    EXPECT_EQ(preview->captureFilePath(), video("Smithjump1.avi"));
    EXPECT_EQ(videoFiles(), QStringList{"Smithjump1.avi"});
}

TEST_F(PreviewDiskSpaceTest, APassThatLeftNoFileKeepsItsAttempt)
{
    connectTestPattern();
    screen("");
    station.setCaptureSkierName("Smith");
    button("cmdStartCapture")->click();
    ASSERT_TRUE(control.capturing());
    QTest::qWait(300);
    // The recording's file goes (a pulled stick, another program) while the pass runs.
    for (const QString& name : videoFiles())
        ASSERT_TRUE(QFile::remove(QDir(videos()).filePath(name))) << name.toStdString();
    preview->escape();
    EXPECT_FALSE(control.capturing());
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("Warning: The recording could not be saved: "))
        << dialogs.messages()[0].toStdString();
    EXPECT_TRUE(dialogs.messages()[0].contains(video("Smithjump1.avi")));
    EXPECT_TRUE(videoFiles().isEmpty());
    EXPECT_EQ(box("txtPass")->text(), "1") << "the next pass records attempt 1 again";
    EXPECT_EQ(station.captureAttemptNumber(), "1");
    // The next pass takes that attempt's name.
    dialogs.clear();
    record();
    EXPECT_EQ(videoFiles(), QStringList{"Smithjump1.avi"});
    EXPECT_EQ(box("txtPass")->text(), "2");
    // ESC while no pass runs goes on raising the attempt, as it always has.
    preview->escape();
    EXPECT_EQ(box("txtPass")->text(), "3");
}

#ifdef Q_OS_UNIX
TEST_F(PreviewDiskSpaceTest, APassCutShortByAFullDiskIsKeptAsPartAndNamed)
{
    connectTestPattern();
    screen("");
    station.setCaptureSkierName("Smith");
    {
        // The disk fills a few frames into the pass.
        const test::FileSizeLimit limit(200 * 1024);
        button("cmdStartCapture")->click();
        ASSERT_TRUE(control.capturing());
        QTest::qWait(800);
        preview->escape();
    }
    EXPECT_FALSE(control.capturing());
    const QString part = video("Smithjump1.avi.part");
    ASSERT_TRUE(QFileInfo::exists(part)) << videoFiles().join(" ").toStdString();
    ASSERT_FALSE(dialogs.messages().isEmpty());
    const QString told = dialogs.messages().join(" | ");
    EXPECT_TRUE(told.contains("Warning: The recording could not be saved: ")) << told.toStdString();
    EXPECT_TRUE(told.contains(" kept in " + part)) << told.toStdString();
    // The kept part is a file of attempt 1: the next pass is attempt 2.
    EXPECT_EQ(box("txtPass")->text(), "2");
}
#endif
