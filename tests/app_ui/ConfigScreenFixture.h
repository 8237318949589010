#pragma once
// A configuration screen over a fresh Station in a temporary folder: an INI settings store,
// a save-video folder, the station folder and scripted dialogs.
#include "ScriptedDialogs.h"
#include "StationFolder.h"
#include "WidgetTestApp.h"
#include "app/Station.h"
#include "app/ui/ConfigScreen.h"
#include "base/Clock.h"
#include "grid/GridFile.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zelvan::test
{

class ConfigScreenTest : public ::testing::Test, protected test::StationFolder
{
protected:
    ConfigScreenTest() : StationFolder(QTime(9, 30, 0), QStringLiteral("station"))
    {
        QDir(dir.path()).mkpath(QStringLiteral("videos"));
        QDir(dir.path()).mkpath(QStringLiteral("station"));
        QDir(dir.path()).mkpath(QStringLiteral("grids"));
        EXPECT_TRUE(station.setVideoDirectory(videos()));
    }
    ~ConfigScreenTest() override { QDir::setCurrent(QDir::tempPath()); }

    QString videos() const { return dir.filePath(QStringLiteral("videos")); }
    QString resultsFile() const
    {
        return QDir::toNativeSeparators(
            QDir(videos()).filePath(QStringLiteral("JumpMeasurementResults070426.txt")));
    }
    QString stored(const char* key) const
    {
        return station.settings().read(QLatin1String(key), QStringLiteral("<missing>"));
    }
    void store(const char* key, const QString& value)
    {
        ASSERT_TRUE(station.settings().write(QLatin1String(key), value));
    }
    // A grid file pair for grid n in the grids folder; without check-buoy file on request.
    QString gridFile(const QString& name, int n, bool withCheckBuoy = true)
    {
        grid::GridSetup setup;
        const double twips[4][2] = {{7500, 1500}, {7800, 6000}, {1500, 1500}, {1200, 6000}};
        const double survey[4][2] = {{10, 0}, {10, 40}, {60, 0}, {60, 40}};
        for (int k = 1; k <= 4; ++k)
            setup.buoy[k] = {twips[k - 1][0], twips[k - 1][1], survey[k - 1][0], survey[k - 1][1]};
        setup.c = {0, 1, 0.01, 0.002, 3, 0.04, 0.005, 0.0001, 0.0002};
        setup.jumpX = 35;
        setup.jumpY = -20;
        setup.gridNumber = n;
        setup.checkScreenX = 4500;
        setup.checkScreenY = 3000;
        setup.checkSurveyX = 35;
        setup.checkSurveyY = 20;
        QString path = dir.filePath(QStringLiteral("grids/") + name);
        EXPECT_TRUE(grid::saveGridFilePair(path, QStringLiteral("Camera %1").arg(n), setup,
                                           QStringLiteral("35"), QStringLiteral("20")));
        if (!withCheckBuoy) {
            EXPECT_TRUE(QFile::remove(grid::checkBuoyFilePath(path)));
        }
        return path;
    }
    void open() { station.showScreen(app::Station::Screen::Config); }
    void leave() { screen.exitAction()->trigger(); }

    template <class W> W* control(const char* name) const
    {
        W* w = screen.findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    QRadioButton* option(const char* name) const { return control<QRadioButton>(name); }
    QCheckBox* check(const char* name) const { return control<QCheckBox>(name); }
    QByteArray fileBytes(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    ScriptedDialogs dialogs;
    app::ui::ConfigScreen screen{station, dialogs};
};

} // namespace zelvan::test
