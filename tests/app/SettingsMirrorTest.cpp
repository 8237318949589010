// Loading the program-wide mirror from a real INI store.
#include "app/SettingsMirror.h"
#include "QStringPrint.h"
#include "app/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

namespace
{

class SettingsMirrorTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const QDateTime day{QDate(2026, 3, 7), QTime(10, 0)};
    int opened = 0;
    SettingsStore& store()
    {
        if (!store_)
            store_ = std::make_unique<SettingsStore>(std::make_unique<QSettings>(
                dir.filePath(QStringLiteral("s%1.ini").arg(++opened)), QSettings::IniFormat));
        return *store_;
    }
    std::unique_ptr<SettingsStore> store_;
};

TEST_F(SettingsMirrorTest, FirstRunGivesDefaultsAndStoresThem)
{
    SettingsMirror m;
    const QString videos = dir.filePath(QStringLiteral("videos"));
    ASSERT_TRUE(loadSettingsMirror(store(), m, videos + QStringLiteral("/"), day));

    EXPECT_EQ(m.numGrids, 1);
    EXPECT_FALSE(m.rightToLeft);
    EXPECT_FALSE(m.boxLineOff);
    EXPECT_EQ(m.buoyMarker, QStringLiteral("circle"));
    EXPECT_EQ(m.labelColorName, QStringLiteral("default"));
    EXPECT_EQ(m.labelColorValue, 0);
    EXPECT_EQ(m.impactColorValue, 16777215);
    EXPECT_EQ(m.pictureSaveMode, QStringLiteral("Ask"));
    EXPECT_EQ(m.videoSaveMode, QStringLiteral("Ask"));
    EXPECT_FALSE(m.barefootMode);
    EXPECT_FALSE(m.sitSkiMode);
    EXPECT_EQ(m.resultsFilePath, QDir::toNativeSeparators(
                                     videos + QStringLiteral("/JumpMeasurementResults030726.txt")));
    EXPECT_EQ(m.capturesPath, videos + QStringLiteral("/"));
    EXPECT_EQ(m.pictureExtension, QStringLiteral(".bmp"));
    EXPECT_EQ(m.pictureFormatCode, QStringLiteral("1"));

    const std::pair<const char*, const char*> stored[] = {
        {"labelcolor", "default"}, {"grids", "1"},          {"tournamentType", "normal"},
        {"WSTIMS", "0"},           {"right2left", "False"}, {"buoymarker", "circle"},
        {"PictureSave", "Ask"},    {"VideoSave", "Ask"}};
    for (const auto& [k, v] : stored)
        EXPECT_EQ(store().read(QLatin1String(k), QStringLiteral("<missing>")), QLatin1String(v))
            << k;
    // Keys the load only reads stay unwritten.
    EXPECT_FALSE(store().contains(QStringLiteral("impactcolor")));
    EXPECT_FALSE(store().contains(QStringLiteral("boxlineoff")));
}

TEST_F(SettingsMirrorTest, StoredValuesReachTheMirror)
{
    const std::pair<const char*, const char*> values[] = {{"TournamentName", "Spring Open"},
                                                          {"SetupFiles", "/grids"},
                                                          {"labelcolor", "yellow"},
                                                          {"impactcolor", "red"},
                                                          {"grids", "3"},
                                                          {"right2left", "True"},
                                                          {"boxlineoff", "True"},
                                                          {"tournamentType", "barefoot"},
                                                          {"buoymarker", "cross"},
                                                          {"PictureSave", "Save"},
                                                          {"VideoSave", "NoSave"}};
    for (const auto& [k, v] : values)
        ASSERT_TRUE(store().write(QLatin1String(k), QLatin1String(v)));
    SettingsMirror m;
    ASSERT_TRUE(loadSettingsMirror(store(), m, QString(), day));
    EXPECT_EQ(m.tournamentName, QStringLiteral("Spring Open"));
    EXPECT_EQ(m.setupFilesPath, QStringLiteral("/grids"));
    EXPECT_EQ(m.labelColorName, QStringLiteral("yellow"));
    EXPECT_EQ(m.labelColorValue, 65535);
    EXPECT_EQ(m.impactColorValue, 255);
    EXPECT_EQ(m.numGrids, 3);
    EXPECT_TRUE(m.rightToLeft);
    EXPECT_TRUE(m.boxLineOff);
    EXPECT_TRUE(m.barefootMode);
    EXPECT_FALSE(m.sitSkiMode);
    EXPECT_EQ(m.buoyMarker, QStringLiteral("cross"));
    EXPECT_EQ(m.pictureSaveMode, QStringLiteral("Save"));
    EXPECT_EQ(m.videoSaveMode, QStringLiteral("NoSave"));
    EXPECT_EQ(m.resultsFilePath, QStringLiteral("JumpMeasurementResults030726.txt"));
    for (const auto& [k, v] : values)
        EXPECT_EQ(store().read(QLatin1String(k)), QLatin1String(v)) << k;
}

TEST_F(SettingsMirrorTest, ColourNamesMapToTheirValues)
{
    const std::pair<const char*, int> labels[] = {
        {"black", 0}, {"white", 16777215}, {"yellow", 65535}};
    for (const auto& [name, value] : labels) {
        ASSERT_TRUE(store().write(QStringLiteral("labelcolor"), QLatin1String(name)));
        SettingsMirror m;
        m.labelColorValue = 12345;
        ASSERT_TRUE(loadSettingsMirror(store(), m, QString(), day));
        EXPECT_EQ(m.labelColorValue, value) << name;
    }
    // "default" leaves whatever colour was in use.
    ASSERT_TRUE(store().write(QStringLiteral("labelcolor"), QStringLiteral("default")));
    SettingsMirror m;
    m.labelColorValue = 65535;
    ASSERT_TRUE(loadSettingsMirror(store(), m, QString(), day));
    EXPECT_EQ(m.labelColorValue, 65535);
    EXPECT_EQ(m.labelColorName, QStringLiteral("default"));

    const std::pair<const char*, int> impacts[] = {
        {"black", 0}, {"red", 255}, {"yellow", 65535}, {"white", 16777215}, {"", 16777215}};
    for (const auto& [name, value] : impacts) {
        ASSERT_TRUE(store().write(QStringLiteral("impactcolor"), QLatin1String(name)));
        SettingsMirror m2;
        ASSERT_TRUE(loadSettingsMirror(store(), m2, QString(), day));
        EXPECT_EQ(m2.impactColorValue, value) << name;
    }
}

TEST_F(SettingsMirrorTest, AColourWordThatNamesNoColourSelectsNothing)
{
    ASSERT_TRUE(store().write(QStringLiteral("labelcolor"), QStringLiteral("purple")));
    ASSERT_TRUE(store().write(QStringLiteral("impactcolor"), QStringLiteral("Red")));
    SettingsMirror m;
    m.labelColorName = QStringLiteral("yellow");
    m.labelColorValue = 65535;
    m.impactColorValue = 255;
    ASSERT_TRUE(loadSettingsMirror(store(), m, QString(), day));
    // No option is selected: the colours in use stay, and so do the stored words.
    EXPECT_EQ(m.labelColorName, QStringLiteral("yellow"));
    EXPECT_EQ(m.labelColorValue, 65535);
    EXPECT_EQ(m.impactColorValue, 255);
    EXPECT_EQ(store().read(QStringLiteral("labelcolor")), QStringLiteral("purple"));
    EXPECT_EQ(store().read(QStringLiteral("impactcolor")), QStringLiteral("Red"));

    // Only an empty message colour selects the default one and stores "default".
    ASSERT_TRUE(store().write(QStringLiteral("labelcolor"), QString()));
    ASSERT_TRUE(store().write(QStringLiteral("impactcolor"), QString()));
    ASSERT_TRUE(loadSettingsMirror(store(), m, QString(), day));
    EXPECT_EQ(m.labelColorName, QStringLiteral("default"));
    EXPECT_EQ(m.labelColorValue, 65535);
    EXPECT_EQ(m.impactColorValue, 16777215);
    EXPECT_EQ(store().read(QStringLiteral("labelcolor")), QStringLiteral("default"));
}

TEST_F(SettingsMirrorTest, AStoreThatCannotBeWrittenIsReportedButStillRead)
{
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore locked(std::make_unique<QSettings>(
        dir.filePath(QStringLiteral("blocker/DI05.ini")), QSettings::IniFormat));
    SettingsMirror m;
    const Status loaded = loadSettingsMirror(locked, m, QString(), day);
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(loaded.error().isEmpty());
    EXPECT_EQ(m.numGrids, 1);
    EXPECT_EQ(m.pictureSaveMode, QStringLiteral("Ask"));
}

} // namespace
