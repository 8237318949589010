// "Listen" on the capture control: the chosen sound device reaches the sound output while
// ticked and stops when unticked, a recording shares the device, and an output that cannot be
// opened or hangs is reported once without touching the recording.
#include "CoreTestApp.h"
#include "capture/FfmpegCaptureControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace zelvan::capture;

namespace
{

// Runs the event loop until `done` or `ms` have passed.
template <class F> bool waitFor(F done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return done();
}

// The "Test Tone" device's samples from its start: 1 kHz, amplitude 9000.
int16_t toneSample(int i, int rate)
{
    return int16_t(std::lround(9000 * std::sin(6.283185307179586 * 1000.0 * i / rate)));
}

qint32 le32(const QByteArray& b, int at)
{
    return qint32(quint8(b[at]) | quint8(b[at + 1]) << 8 | quint8(b[at + 2]) << 16 |
                  quint32(quint8(b[at + 3])) << 24);
}
int le16(const QByteArray& b, int at)
{
    return int(qint16(quint8(b[at]) | quint8(b[at + 1]) << 8));
}

struct ListenRig {
    ListenRig()
    {
        control.devices().setPollInterval(0);
        control.setVideoDeviceIndex(0);
        for (int i = 0; i < control.resolutionCount(); ++i)
            if (control.resolutionName(i) == "320x240")
                control.setResolutionIndex(i);
        control.connectDevice(0);
    }
    void chooseTone()
    {
        for (int i = 0; i < control.audioDeviceCount(); ++i)
            if (control.audioDeviceName(i) == kTestTone)
                control.setAudioDeviceIndex(i);
        ASSERT_EQ(control.audioDeviceName(control.audioDeviceIndex()), kTestTone);
    }
    // A two-second recording with the tone; waits for its end.
    void recordTwoSeconds(const QString& name)
    {
        QSignalSpy finished(&control, &CaptureControl::captureFinished);
        control.setCaptureFileName(dir.filePath(name));
        control.setTimeLimit(2);
        control.startCapture();
        ASSERT_TRUE(finished.wait(8000));
    }
    QStringList listenTexts(const QSignalSpy& texts) const
    {
        QStringList out;
        for (const auto& args : texts)
            if (args.at(0).toString().startsWith("Listen"))
                out << args.at(0).toString();
        return out;
    }
    QTemporaryDir dir;
    FfmpegCaptureControl control{false};
};

} // namespace

TEST(Listen, TickedPlaysTheDevicesSoundAndUntickedStopsIt)
{
    ListenRig rig;
    const QString wav = rig.dir.filePath("heard.wav");
    rig.control.monitor().setOutput({"wav", wav});
    rig.chooseTone();
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists(wav)); // not ticked: nothing is played

    rig.control.setListen(true);
    EXPECT_TRUE(rig.control.listen());
    ASSERT_TRUE(waitFor([&] { return rig.control.monitor().framesPlayed() >= 11025; }, 4000));
    rig.control.setListen(false);
    EXPECT_EQ(rig.control.monitor().framesPlayed(), 0);

    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 44 + 2 * 11025);
    EXPECT_EQ(bytes.left(4), "RIFF");
    EXPECT_EQ(bytes.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le16(bytes, 20), 1);     // PCM
    EXPECT_EQ(le16(bytes, 22), 1);     // mono
    EXPECT_EQ(le32(bytes, 24), 22050); // the device's rate
    EXPECT_EQ(le16(bytes, 34), 16);
    const int data = int(bytes.indexOf("data", 36));
    ASSERT_GT(data, 0);
    // The tone from its first sample: nothing lost, nothing invented.
    for (int i = 0; i < 2205; ++i)
        ASSERT_EQ(le16(bytes, data + 8 + 2 * i), toneSample(i, 22050)) << "sample " << i;

    // Unticked: the output is finished and nothing more is written.
    const qint64 size = QFileInfo(wav).size();
    QThread::msleep(300);
    EXPECT_EQ(QFileInfo(wav).size(), size);
    EXPECT_EQ(le32(bytes, data + 4), bytes.size() - data - 8); // the trailer was written
}

TEST(Listen, FollowsTheChosenFormatAndRecordsFromTheSameDevice)
{
    ListenRig rig;
    const QString wav = rig.dir.filePath("heard8.wav");
    rig.control.monitor().setOutput({"wav", wav});
    rig.chooseTone();
    rig.control.setListen(true);
    rig.control.setSampleRate(11025);
    rig.control.setBitsPerSample(8);
    rig.recordTwoSeconds("shared.avi");
    EXPECT_GE(rig.control.framesCaptured(), 55);
    EXPECT_EQ(rig.control.framesDropped(), 0);
    // The recording had its sound from the device opened for listening.
    EXPECT_NEAR(double(rig.control.audioSamplesCaptured()), 2 * 11025, 11025 * 0.25);
    EXPECT_GE(rig.control.monitor().framesPlayed(), rig.control.audioSamplesCaptured());
    rig.control.setListen(false);

    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(le32(bytes, 24), 11025);
    EXPECT_EQ(le16(bytes, 34), 8);
    const int data = int(bytes.indexOf("data", 36));
    ASSERT_GT(data, 0);
    for (int i = 0; i < 1102; ++i)
        ASSERT_EQ(quint8(bytes[data + 8 + i]), quint8((toneSample(i, 11025) >> 8) + 128)) << i;
}

TEST(Listen, OutputThatCannotBeOpenedIsSaidOnceAndTheRecordingGoesOn)
{
    ListenRig rig;
    const QString wav = rig.dir.filePath("no such folder/heard.wav");
    rig.control.monitor().setOutput({"wav", wav});
    QSignalSpy texts(&rig.control, &CaptureControl::statusText);
    rig.chooseTone();
    rig.control.setListen(true);
    rig.recordTwoSeconds("kept.avi");
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.listenTexts(texts),
              QStringList{"Listen: no sound output could be opened (wav \"" + wav +
                          "\": No such file or directory)"});
    EXPECT_GE(rig.control.framesCaptured(), 55);
    EXPECT_EQ(rig.control.framesDropped(), 0);
    EXPECT_NEAR(double(rig.control.audioSamplesCaptured()), 2 * 22050, 22050 * 0.25);
    rig.control.setListen(false);
}

#ifndef _WIN32 // a pipe nobody reads is the hung output
TEST(Listen, HungOutputNeitherStallsTheRecordingNorTheUntick)
{
    std::signal(SIGPIPE, SIG_IGN);
    ListenRig rig;
    const QByteArray fifo = rig.dir.filePath("hung").toLocal8Bit();
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    // Nobody reads the pipe: opening it for writing never returns.
    rig.control.monitor().setOutput({"s16le", QString::fromLocal8Bit(fifo)});
    rig.chooseTone();
    rig.control.setListen(true);
    rig.recordTwoSeconds("hung.avi");
    EXPECT_GE(rig.control.framesCaptured(), 55);
    EXPECT_EQ(rig.control.framesDropped(), 0);
    EXPECT_NEAR(double(rig.control.audioSamplesCaptured()), 2 * 22050, 22050 * 0.25);
    QElapsedTimer untick;
    untick.start();
    rig.control.setListen(false);
    EXPECT_LT(untick.elapsed(), 2500);
    // Let the stuck output go before the folder goes.
    const int reader = open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    char sink[65536];
    for (int i = 0; i < 30; ++i, QThread::msleep(10))
        while (read(reader, sink, sizeof sink) > 0) {
        }
    close(reader);
}
#endif
