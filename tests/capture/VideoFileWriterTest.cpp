// The AVI writer: files FFmpeg reads back with the right size, rate, frame count and
// pictures; audio interleaved; nothing left behind on failure.
#include "capture/VideoFileWriter.h"
#include "AviProbe.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace zelvan::capture;
using zelvan::test::probeAvi;

namespace
{

QImage solid(QSize size, QColor colour)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// Runs a writer step, keeping its failure reason in `error` (empty on success).
bool succeeded(const zelvan::Status& step, QString& error)
{
    error = step.error();
    return step.ok();
}

} // namespace

TEST(VideoFileWriter, WritesReadableAviForEachBuiltInCompressor)
{
    QTemporaryDir dir;
    for (const QString& codec : QStringList{"MJPEG", "Uncompressed", QString()}) {
        SCOPED_TRACE(codec.toStdString());
        const QString path = dir.filePath("clip.avi");
        VideoFileWriter w;
        QString error;
        ASSERT_TRUE(succeeded(w.open(path, QSize(160, 120), 25, codec), error))
            << error.toStdString();
        // A picture in an unusual format and size is converted, not rejected.
        for (int i = 0; i < 17; ++i) {
            QImage img = solid(QSize(160, 120), i < 16 ? QColor(200, 30, 40) : Qt::blue);
            if (i == 3)
                img = img.convertToFormat(QImage::Format_RGB16).scaled(80, 60);
            ASSERT_TRUE(w.writeFrame(img).ok());
        }
        EXPECT_FALSE(QFile::exists(path)) << "file must not appear before close";
        ASSERT_TRUE(succeeded(w.close(), error)) << error.toStdString();
        EXPECT_EQ(w.framesWritten(), 17);
        ASSERT_TRUE(QFile::exists(path));
        EXPECT_FALSE(QFile::exists(path + ".part"));

        const auto probe = probeAvi(path);
        ASSERT_TRUE(probe.ok) << probe.error.toStdString();
        EXPECT_EQ(probe.codec, codec == "Uncompressed" ? QString("rawvideo") : QString("mjpeg"));
        EXPECT_EQ(probe.width, 160);
        EXPECT_EQ(probe.height, 120);
        EXPECT_DOUBLE_EQ(probe.frameRate, 25.0);
        EXPECT_EQ(probe.decodedFrames, 17);
        EXPECT_EQ(probe.headerFrames, 17);
        EXPECT_FALSE(probe.hasAudio);
        // Colours survive (first frame red, last blue; top-down orientation kept).
        EXPECT_LE(channelDistance(probe.firstFrame.pixel(80, 10), qRgb(200, 30, 40)), 12);
        EXPECT_LE(channelDistance(probe.lastFrame.pixel(80, 110), qRgb(0, 0, 255)), 12);
        QFile::remove(path);
    }
}

TEST(VideoFileWriter, UncompressedKeepsOrientation)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("o.avi");
    QImage img = solid(QSize(64, 48), Qt::black);
    QPainter(&img).fillRect(0, 0, 64, 10, Qt::white); // white band at the top
    VideoFileWriter w;
    QString error;
    ASSERT_TRUE(succeeded(w.open(path, img.size(), 30, "Uncompressed"), error));
    ASSERT_TRUE(w.writeFrame(img).ok());
    ASSERT_TRUE(succeeded(w.close(), error));
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.firstFrame.pixel(32, 2), qRgb(255, 255, 255));
    EXPECT_EQ(probe.firstFrame.pixel(32, 40), qRgb(0, 0, 0));
    // Stored the classic way: the bitmap header of the stream gives a positive (bottom-up)
    // height, which every AVI player understands.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype strf = bytes.indexOf("strf");
    ASSERT_GT(strf, 0);
    auto le32 = [&](qsizetype at) {
        return qint32(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8 | quint8(bytes[at + 2]) << 16 |
                      quint32(quint8(bytes[at + 3])) << 24);
    };
    EXPECT_EQ(le32(strf + 8), 40);  // header size
    EXPECT_EQ(le32(strf + 12), 64); // width
    EXPECT_EQ(le32(strf + 16), 48); // height, positive
}

TEST(VideoFileWriter, PcmAudioInSameFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("Müller Ærø jump1.avi")); // skier names
    VideoFileWriter w;
    AudioFormat fmt;
    fmt.sampleRate = 22050;
    fmt.channels = 2;
    fmt.bitsPerSample = 16;
    w.setAudioFormat(fmt);
    QString error;
    ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 10, "MJPEG"), error)) << error.toStdString();
    std::vector<int16_t> samples(2205 * 2, 1000);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::green)).ok());
        ASSERT_TRUE(w.writeAudio(samples.data(), 2205).ok());
    }
    ASSERT_TRUE(succeeded(w.close(), error)) << error.toStdString();
    EXPECT_EQ(w.audioFramesWritten(), 22050);
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.decodedFrames, 10);
    ASSERT_TRUE(probe.hasAudio);
    EXPECT_EQ(probe.audioSampleRate, 22050);
    EXPECT_EQ(probe.audioChannels, 2);
    EXPECT_EQ(probe.audioSamples, 22050);
}

TEST(VideoFileWriter, RejectsBadInputAndLeavesNothing)
{
    QTemporaryDir dir;
    QString error;
    {
        VideoFileWriter w;
        EXPECT_FALSE(
            succeeded(w.open(dir.filePath("missing/x.avi"), QSize(64, 48), 25, "MJPEG"), error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(w.isOpen());
        error.clear();
        EXPECT_FALSE(succeeded(w.open(dir.filePath("x.avi"), QSize(63, 48), 25, "MJPEG"), error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(succeeded(w.open(dir.filePath("x.avi"), QSize(64, 48), 0, "MJPEG"), error));
        EXPECT_FALSE(
            succeeded(w.open(dir.filePath("x.avi"), QSize(64, 48), 25, "no-such-codec"), error));
        EXPECT_TRUE(error.contains("no-such-codec"));
        EXPECT_FALSE(w.writeFrame(solid(QSize(64, 48), Qt::red)).ok());
        EXPECT_FALSE(succeeded(w.close(), error));
    }
    {
        // Abandoned without close: the partial file goes away and an old file stays intact.
        const QString path = dir.filePath("keep.avi");
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous recording");
        old.close();
        VideoFileWriter w;
        ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, "MJPEG"), error));
        ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::red)).ok());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.avi"});
    QFile old(dir.filePath("keep.avi"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous recording"));
}

TEST(VideoFileWriter, CompressorListStartsWithBuiltInsAndOpens)
{
    const QStringList names = VideoFileWriter::compressorNames();
    ASSERT_GE(names.size(), 2);
    EXPECT_EQ(names[0], "MJPEG");
    EXPECT_EQ(names[1], "Uncompressed");
    EXPECT_EQ(names.count("MJPEG"), 1);
    // Every offered encoder really produces a file FFmpeg can read.
    QTemporaryDir dir;
    for (const QString& name : names.mid(2, 3)) {
        SCOPED_TRACE(name.toStdString());
        VideoFileWriter w;
        QString error;
        const QString path = dir.filePath(name + ".avi");
        ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, name), error)) << error.toStdString();
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::yellow)).ok());
        ASSERT_TRUE(succeeded(w.close(), error)) << error.toStdString();
        EXPECT_EQ(probeAvi(path).decodedFrames, 5);
    }
}

TEST(VideoFileWriter, FinishedRecordingIsKeptWhenItsNameIsTaken)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("taken.avi");
    VideoFileWriter w;
    QString error;
    ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, "MJPEG"), error));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::cyan)).ok());
    // Meanwhile a folder appeared under the file's name: it can neither be replaced nor
    // renamed over.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.avi"));
    EXPECT_FALSE(succeeded(w.close(), error));
    EXPECT_TRUE(error.contains("taken.avi.part")) << error.toStdString();
    ASSERT_TRUE(QFile::exists(path + ".part"));
    EXPECT_EQ(probeAvi(path + ".part").decodedFrames, 3);
}

TEST(VideoFileWriter, AFileThatAppearedUnderTheNameIsNeverReplaced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.avi");
    VideoFileWriter w;
    QString error;
    ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, "MJPEG"), error));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::cyan)).ok());
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier pass");
    }
    EXPECT_FALSE(succeeded(w.close(), error));
    EXPECT_EQ(error.toStdString(),
              ("Cannot write " + QDir::toNativeSeparators(path) +
               ": a file of that name is already there; the recording was kept as " +
               QDir::toNativeSeparators(path + ".part"))
                  .toStdString());
    QFile earlier(path);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "an earlier pass");
    EXPECT_EQ(probeAvi(path + ".part").decodedFrames, 3);
}

TEST(VideoFileWriter, AKeptPartialRecordingIsNeverOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("jump.avi");
    const QByteArray keptJump("the frames of a recording cut short");
    {
        QFile part(path + ".part");
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.write(keptJump);
    }
    VideoFileWriter w;
    QString error;
    ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, "MJPEG"), error));
    EXPECT_TRUE(QFile::exists(path + ".1.part")) << "the new recording takes a new name";
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::cyan)).ok());
    ASSERT_TRUE(succeeded(w.close(), error));
    EXPECT_EQ(probeAvi(path).decodedFrames, 3);
    EXPECT_FALSE(QFile::exists(path + ".1.part"));
    QFile part(path + ".part");
    ASSERT_TRUE(part.open(QIODevice::ReadOnly));
    EXPECT_EQ(part.readAll(), keptJump);
    // Discarding a recording removes only its own temporary.
    ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, "MJPEG"), error));
    w.discard();
    EXPECT_TRUE(QFile::exists(path + ".part"));
}

TEST(VideoFileWriter, AVanishedFolderIsNeverReportedAsKept)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("card");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/x.avi";
    VideoFileWriter w;
    QString error;
    ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, "MJPEG"), error));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::cyan)).ok());
    // The memory card is pulled: the folder goes with the file being written.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(succeeded(w.close(), error));
    EXPECT_FALSE(error.contains("kept")) << error.toStdString();
    EXPECT_TRUE(error.contains("the recording is lost")) << error.toStdString();
    EXPECT_TRUE(w.keptPartialFile().isEmpty());
}

TEST(VideoFileWriter, RepeatedSlotsKeepTheTiming)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("repeat.avi");
    VideoFileWriter w;
    QString error;
    EXPECT_FALSE(w.repeatPreviousFrame(1)) << "no file open";
    ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, "MJPEG"), error));
    EXPECT_FALSE(w.repeatPreviousFrame(1)) << "no picture yet to repeat";
    ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::red)).ok());
    ASSERT_TRUE(w.repeatPreviousFrame(4).ok());
    ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::blue)).ok());
    ASSERT_TRUE(w.repeatPreviousFrame(2).ok());
    EXPECT_EQ(w.framesWritten(), 8);
    ASSERT_TRUE(succeeded(w.close(), error));
    const auto probe = probeAvi(path);
    ASSERT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_EQ(probe.decodedFrames, 8);
    EXPECT_EQ(probe.headerFrames, 8);
    EXPECT_GT(qBlue(probe.lastFrame.pixel(10, 10)), 200) << "the last slots repeat the blue one";
}

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

TEST(VideoFileWriter, SpecialFilesAreNeverRecordedOver)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.avi");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& target : {fifo, QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(target.toStdString());
        VideoFileWriter w;
        const zelvan::Status opened = w.open(target, QSize(64, 48), 25, "MJPEG");
        EXPECT_FALSE(opened);
        EXPECT_EQ(opened.error(),
                  QStringLiteral("Cannot write %1: it is not a regular file").arg(target));
        struct stat st {
        };
        ASSERT_EQ(stat(QFile::encodeName(target).constData(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden),
              QStringList{QStringLiteral("pipe.avi")});
}

// A disk that fills up mid-recording: the frames that reached the disk are kept and the
// error says where, instead of the jump being deleted with the failed file.
TEST(VideoFileWriter, FramesBeforeAFullDiskAreKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("full.avi");
    VideoFileWriter w;
    QString error;
    ASSERT_TRUE(succeeded(w.open(path, QSize(320, 240), 25, "Uncompressed"), error));

    // Files may not grow past 1 MB from here on: writes beyond fail with EFBIG, as on a full
    // disk (the signal that would otherwise end the process is ignored meanwhile).
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int written = 0;
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) {
        if (w.writeFrame(solid(QSize(320, 240), i % 2 ? Qt::red : Qt::blue)).ok())
            ++written;
        else
            failed = true;
    }
    const bool closed = succeeded(w.close(), error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(failed) << "the size limit never stopped the writer";
    EXPECT_FALSE(closed);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(w.keptPartialFile(), path + ".part");
    EXPECT_TRUE(error.contains("kept in")) << error.toStdString();
    ASSERT_TRUE(QFile::exists(path + ".part"));
    // Each uncompressed frame is 230 kB, so three or four of them fit under the limit; the
    // unfinished file still plays those.
    EXPECT_GE(probeAvi(path + ".part").decodedFrames, 2);
    EXPECT_GE(written, 2);
    // Its header was finished in place: every reader counts the pictures it holds, and the
    // message names that count.
    const auto kept = probeAvi(path + ".part");
    EXPECT_EQ(kept.headerFrames, kept.decodedFrames);
    EXPECT_TRUE(error.contains(
        QStringLiteral("the %1 frames recorded so far are kept in").arg(kept.decodedFrames)))
        << error.toStdString();
}
#endif

// Compressors whose pictures lean on each other (reordered, delayed) finish their file too,
// with every picture written and slots skipped by the source repeated.
TEST(VideoFileWriter, InterFrameCompressorsFinishTheirFile)
{
    QTemporaryDir dir;
    for (const QString name : {"mpeg4", "libx264", "ffv1", "mpeg2video"}) {
        SCOPED_TRACE(name.toStdString());
        VideoFileWriter w;
        QString error;
        const QString path = dir.filePath(name + ".avi");
        ASSERT_TRUE(succeeded(w.open(path, QSize(64, 48), 25, name), error)) << error.toStdString();
        for (int i = 0; i < 10; ++i)
            ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), i % 2 ? Qt::yellow : Qt::blue)).ok());
        ASSERT_TRUE(w.repeatPreviousFrame(2).ok());
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(w.writeFrame(solid(QSize(64, 48), Qt::red)).ok());
        ASSERT_TRUE(succeeded(w.close(), error)) << error.toStdString();
        EXPECT_EQ(probeAvi(path).decodedFrames, 15);
    }
}
