// The AVI check and header reader: what the frame selection screen learns about a file
// before it plays it, and what the operator is told when it cannot.
#include "review/AviFile.h"
#include "review/cDIB.h"

#include "AviBuilder.h"
#include "ScriptedDialogs.h"
#include "Told.h"
#include "Unprivileged.h"
#include "VideoFixtures.h"

#include <QBuffer>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::review;
using namespace zelvan::test;

namespace
{

const QString kBreak = QStringLiteral("\r\n");

class AviFileTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray read(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
};

TEST_F(AviFileTest, ReadsTheHeadersOfARecordedVideo)
{
    const QString path = dir.filePath(QStringLiteral("pass.avi"));
    ASSERT_TRUE(
        makeVideo(path, 320, 240, QStringLiteral("30000/1001"), 24, QStringLiteral("mjpeg")));
    EXPECT_TRUE(told(isAviFile(path), dialogs));
    const std::optional<AviFileInfo> read = told(readAviFileInfo(path), dialogs);
    ASSERT_TRUE(read.has_value());
    const AviFileInfo info = *read;
    EXPECT_EQ(info.rate, 30000u);
    EXPECT_EQ(info.scale, 1001u);
    EXPECT_EQ(info.length, 24u);
    EXPECT_EQ(info.width, 320u);
    EXPECT_EQ(info.height, 240u);
    EXPECT_EQ(info.streams, 1u);
    EXPECT_EQ(told(aviFrameRate(path), dialogs), 30);
    EXPECT_EQ(told(aviFrameCount(path), dialogs), 24);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto headers = readAviHeaders(file);
    ASSERT_TRUE(headers.ok()) << headers.error().toStdString();
    EXPECT_TRUE(headers->hasVideo);
    EXPECT_EQ(headers->compression, QByteArray("MJPG"));
    EXPECT_EQ(headers->frameWidth, 320);
    EXPECT_EQ(headers->frameHeight, 240);
}

TEST_F(AviFileTest, FrameRateRoundsHalvesToEven)
{
    EXPECT_EQ(wholeFrameRate(30000, 1001), 30);
    EXPECT_EQ(wholeFrameRate(60000, 1001), 60);
    EXPECT_EQ(wholeFrameRate(25, 1), 25);
    EXPECT_EQ(wholeFrameRate(5, 2), 2);     // 2.5
    EXPECT_EQ(wholeFrameRate(7, 2), 4);     // 3.5
    EXPECT_EQ(wholeFrameRate(299, 10), 30); // 29.9
    EXPECT_EQ(wholeFrameRate(294, 10), 29); // 29.4
    EXPECT_EQ(wholeFrameRate(25, 0), 0);
    EXPECT_EQ(wholeFrameRate(4000000001u, 2), 2000000000); // no overflow in the sum

    AviSpec spec;
    spec.rate = 15;
    spec.scale = 2; // 7.5 frames a second
    const QString path = write(QStringLiteral("half.avi"), buildAvi(spec));
    EXPECT_EQ(told(aviFrameRate(path), dialogs), 8);
    spec.scale = 0;
    const QString zero = write(QStringLiteral("zero.avi"), buildAvi(spec));
    EXPECT_EQ(told(aviFrameRate(zero), dialogs), 0);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(AviFileTest, OpenDmlTotalFramesIsTheLength)
{
    AviSpec spec;
    spec.length = 100;
    spec.totalFrames = 90;
    spec.dmlhFrames = 5000;
    const QString big = write(QStringLiteral("big.avi"), buildAvi(spec));
    EXPECT_EQ(told(aviFrameCount(big), dialogs), 5000);
    spec.dmlhFrames = -1;
    const QString plain = write(QStringLiteral("plain.avi"), buildAvi(spec));
    EXPECT_EQ(told(aviFrameCount(plain), dialogs), 100); // the video stream's own length
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(AviFileTest, FilesThatAreNotAviAreRefusedQuietlyByTheCheck)
{
    const QString text = write(QStringLiteral("notes.avi"), "RIFF is a word in this text\r\n");
    const QString wave =
        write(QStringLiteral("sound.avi"), QByteArray("RIFF") + le32(36) + "WAVEfmt ");
    const QString tiny = write(QStringLiteral("tiny.avi"), "RIFF");
    for (const QString& path : {text, wave, tiny}) {
        EXPECT_FALSE(told(isAviFile(path), dialogs)) << path.toStdString();
        EXPECT_TRUE(dialogs.shown.isEmpty()) << path.toStdString();
    }
}

TEST_F(AviFileTest, MissingFileIsToldToTheOperator)
{
    const QString missing = dir.filePath(QStringLiteral("gone.avi"));
    EXPECT_FALSE(told(isAviFile(missing), dialogs));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("File does not exist:") + kBreak + QDir::toNativeSeparators(missing));
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Error);
    EXPECT_EQ(dialogs.shown[0].title, QString::fromLatin1(kAppTitle));
    // A folder is not a file either.
    dialogs.clear();
    EXPECT_FALSE(told(isAviFile(dir.path()), dialogs));
    EXPECT_EQ(dialogs.messages().size(), 1);
}

#ifdef Q_OS_UNIX
TEST_F(AviFileTest, AFifoIsRefusedWithoutBlocking)
{
    // Nothing ever writes into it: opening it would wait for ever.
    const QString fifo = dir.filePath(QStringLiteral("pipe.avi"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const auto info = readAviFileInfo(fifo);
    EXPECT_FALSE(info.value.has_value());
    ASSERT_EQ(info.messages.size(), 1);
    EXPECT_EQ(info.messages[0].text,
              QStringLiteral("Unable to open file:") + kBreak + QDir::toNativeSeparators(fifo));
    EXPECT_EQ(aviFrameCount(fifo).value, 0);
}
#endif

TEST_F(AviFileTest, UnreadableHeadersGiveTheirMessageOnEveryRead)
{
    const QString text = write(QStringLiteral("notes.avi"), "just text\r\n");
    EXPECT_FALSE(told(readAviFileInfo(text), dialogs).has_value())
        << "a failed read gives no record";
    EXPECT_EQ(told(aviFrameRate(text), dialogs), 0);
    EXPECT_EQ(told(aviFrameCount(text), dialogs), 0);
    const QString open =
        QStringLiteral("Unable to open file:") + kBreak + QDir::toNativeSeparators(text);
    EXPECT_EQ(dialogs.messages(), QStringList({open, open, open}));
    for (const auto& shown : dialogs.shown)
        EXPECT_EQ(shown.icon, Icon::Error);

    // RIFF AVI whose header list is cut off: it is an AVI file, but its header cannot be read.
    dialogs.clear();
    const QByteArray whole = buildAvi(AviSpec());
    const QString cut = write(QStringLiteral("cut.avi"), whole.left(40));
    EXPECT_TRUE(told(isAviFile(cut), dialogs));
    EXPECT_FALSE(told(readAviFileInfo(cut), dialogs).has_value());
    EXPECT_EQ(dialogs.messages(),
              QStringList({QStringLiteral("Unable to read AVI file info from:") + kBreak +
                           QDir::toNativeSeparators(cut)}));
}

TEST_F(AviFileTest, TruncatedRecordingStillReportsItsHeader)
{
    const QString path = dir.filePath(QStringLiteral("pass.avi"));
    ASSERT_TRUE(makeVideo(path, 160, 120, QStringLiteral("25"), 20, QStringLiteral("mjpeg")));
    const QByteArray bytes = read(path);
    const QString cut = write(QStringLiteral("cut.avi"), bytes.left(bytes.size() * 6 / 10));
    EXPECT_TRUE(told(isAviFile(cut), dialogs));
    EXPECT_EQ(told(aviFrameRate(cut), dialogs), 25);
    EXPECT_EQ(told(aviFrameCount(cut), dialogs), 20);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(AviFileTest, DamagedSizesNeverReadPastTheEnd)
{
    const QByteArray good = buildAvi(AviSpec(), "frame", 3);
    // Every prefix, and every single byte set to 0xFF, must give an answer without a crash;
    // the sanitizer builds check the reads.
    for (int n = 0; n <= good.size(); ++n) {
        QByteArray prefix = good.left(n);
        QBuffer buffer(&prefix);
        buffer.open(QIODevice::ReadOnly);
        const auto headers = readAviHeaders(buffer);
        if (headers) {
            EXPECT_LE(headers->info.width, 64u);
        }
    }
    int readable = 0;
    for (int i = 0; i < good.size(); ++i) {
        QByteArray damaged = good;
        damaged[i] = char(0xFF);
        QBuffer buffer(&damaged);
        buffer.open(QIODevice::ReadOnly);
        const Result<AviHeaders> headers = readAviHeaders(buffer);
        if (headers)
            ++readable;
        else
            EXPECT_FALSE(headers.error().isEmpty());
    }
    EXPECT_GT(readable, 0);
    EXPECT_LT(readable, good.size());

    QByteArray noise(4096, '\0');
    QRandomGenerator rng(7);
    for (char& c : noise)
        c = char(rng.bounded(256));
    noise.replace(0, 4, "RIFF");
    noise.replace(8, 4, "AVI ");
    const QString path = write(QStringLiteral("noise.avi"), noise);
    EXPECT_TRUE(told(isAviFile(path), dialogs));
    EXPECT_FALSE(told(readAviFileInfo(path), dialogs).has_value());
    EXPECT_EQ(dialogs.messages().size(), 1);
}

} // namespace

namespace
{

TEST(LockedFiles, AreReportedAsLockedByEveryReader)
{
    const zelvan::test::Unprivileged asUser;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("held.avi"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(zelvan::test::buildAvi(zelvan::test::AviSpec()));
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "this account reads files without read permission";

    const QString locked =
        QStringLiteral("File is locked - cannot access:\r\n") + QDir::toNativeSeparators(path);
    ScriptedDialogs dialogs;
    EXPECT_FALSE(told(isAviFile(path), dialogs));
    cDIB dib;
    EXPECT_FALSE(told(dib.CreateFromFile(path), dialogs));
    EXPECT_EQ(dialogs.messages(), QStringList({locked, locked}));
    for (const auto& shown : dialogs.shown)
        EXPECT_EQ(shown.icon, Icon::Error);
}

} // namespace
