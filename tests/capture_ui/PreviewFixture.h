#pragma once
// The capture screen with real widgets, offscreen, on the control's built-in "Test Pattern"
// device, a Station over a temporary station folder and scripted dialogs.
#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "WidgetTestApp.h"
#include "base/Clock.h"
#include "capture/DeviceRegistry.h"
#include "capture/FfmpegCaptureControl.h"
#include "capture/JumpVideoNames.h"
#include "capture/ui/LivePicture.h"
#include "capture/ui/PreviewScreen.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace zelvan::test
{

class PreviewTest : public ::testing::Test, protected test::StationFolder
{
protected:
    PreviewTest() : StationFolder(QTime(14, 3, 22), QStringLiteral("station"))
    {
        control.devices().setPollInterval(0);
        EXPECT_TRUE(QDir(dir.path()).mkpath("videos"));
        EXPECT_TRUE(QDir(dir.path()).mkpath("station"));
        EXPECT_TRUE(QDir(dir.path()).mkpath("zqio"));
        EXPECT_TRUE(station.setVideoDirectory(videos()));
    }

    QString videos() const { return QDir::toNativeSeparators(dir.filePath("videos")); }
    QString video(const QString& name) const { return videos() + QDir::separator() + name; }
    void touch(const QString& path) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void writeFile(const QString& path, const QByteArray& bytes) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void connectTestPattern(double fps = 30)
    {
        for (int i = 0; i < control.videoDeviceCount(); ++i)
            if (control.videoDeviceName(i) == capture::kTestPattern) {
                control.setVideoDeviceIndex(i);
                control.setFrameRate(fps);
                control.connectDevice(i);
            }
        ASSERT_TRUE(control.connected());
    }
    // The screen as the program builds it, shown as the main screen shows it.
    capture::ui::PreviewScreen& build()
    {
        if (!preview) {
            preview = std::make_unique<capture::ui::PreviewScreen>(
                station, dialogs, control,
                capture::ui::CapturePanelLink{[this] {
                                                  ++applied;
                                                  return applyResult;
                                              },
                                              [this] { return rate; }, [this] { ++counted; }});
            preview->resize(1366, 768);
        }
        return *preview;
    }
    capture::ui::PreviewScreen& screen(const QString& mode = QStringLiteral("Setup"))
    {
        build();
        preview->show();
        station.setNavigationMode(mode);
        station.setPreviewOn(true);
        QTest::qWait(20); // activation and first paint run from the event loop
        return *preview;
    }
    template <class W> W* find(const char* name) const
    {
        W* w = preview->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    QLabel* label(const char* name) const { return find<QLabel>(name); }
    // How many debug log lines of this run carry the message.
    int logged(const QString& message)
    {
        int n = 0;
        for (const QString& line : station.debugLog().lines())
            n += line.trimmed().endsWith(message) ? 1 : 0;
        return n;
    }

    ScriptedDialogs dialogs;
    capture::FfmpegCaptureControl control{false};
    QString rate = QStringLiteral("30");
    Status applyResult;
    int applied = 0;
    int counted = 0;
    std::unique_ptr<capture::ui::PreviewScreen> preview;
};

} // namespace zelvan::test
