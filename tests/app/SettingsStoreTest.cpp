// The settings store over real INI files in temporary folders.
#include "app/SettingsStore.h"
#include "FileFailures.h"
#include "QStringPrint.h"
#include "app/SettingsValues.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

namespace
{

class SettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString iniPath() const { return dir.filePath(QStringLiteral("DI05.ini")); }

    std::unique_ptr<SettingsStore> open() const
    {
        return std::make_unique<SettingsStore>(
            std::make_unique<QSettings>(iniPath(), QSettings::IniFormat));
    }
    // A store as an operator might have hand-edited it (a file of its own, so no earlier
    // QSettings over the same path can answer from memory).
    std::unique_ptr<SettingsStore> openWith(const QByteArray& iniText)
    {
        const QString path = dir.filePath(QStringLiteral("edited%1.ini").arg(++edits));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(iniText);
        f.close();
        return std::make_unique<SettingsStore>(
            std::make_unique<QSettings>(path, QSettings::IniFormat));
    }
    int edits = 0;
    QByteArray fileText() const
    {
        QFile f(iniPath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
};

TEST_F(SettingsStoreTest, KeysIgnoreCaseAndAWriteLeavesOneSpelling)
{
    auto store = open();
    ASSERT_TRUE(store->write(QStringLiteral("videoresolution"), QStringLiteral("3")));
    EXPECT_EQ(store->read(QStringLiteral("VideoResolution")), QStringLiteral("3"));
    EXPECT_EQ(store->videoResolution(), 3);

    ASSERT_TRUE(store->write(QStringLiteral("VideoResolution"), QStringLiteral("4")));
    EXPECT_EQ(store->read(QStringLiteral("videoresolution")), QStringLiteral("4"));
    const QByteArray text = fileText().toLower();
    EXPECT_EQ(text.count("videoresolution="), 1) << fileText().constData();

    // The value reached the file at once: a second store over the same file sees it.
    EXPECT_EQ(open()->videoResolution(), 4);

    auto edited = openWith("[settings]\nDEVICE=2\nLogPath=/data/videos\n");
    EXPECT_EQ(edited->device(), 2);
    EXPECT_EQ(edited->logPath(), QStringLiteral("/data/videos"));
    EXPECT_TRUE(edited->contains(QStringLiteral("device")));
    EXPECT_FALSE(edited->contains(QStringLiteral("framerate")));
}

TEST_F(SettingsStoreTest, MissingKeysGiveEachReadersDefault)
{
    auto store = open();
    EXPECT_EQ(store->read(QStringLiteral("nothing"), QStringLiteral("fallback")),
              QStringLiteral("fallback"));
    EXPECT_EQ(store->tournamentName(), QString());
    EXPECT_EQ(store->setupFiles(), QString());
    EXPECT_EQ(store->impactColor(), QStringLiteral("white"));
    EXPECT_EQ(store->gridFile(1), QString());
    EXPECT_FALSE(store->rightToLeft());
    EXPECT_FALSE(store->boxLineOff());
    EXPECT_EQ(store->tournamentType(), QStringLiteral("normal"));
    EXPECT_FALSE(store->wstims());
    EXPECT_FALSE(store->loupe());
    EXPECT_EQ(store->buoyMarker(), QStringLiteral("circle"));
    EXPECT_EQ(store->pictureSave(), QStringLiteral("Ask"));
    EXPECT_EQ(store->videoSave(), QStringLiteral("Ask"));
    EXPECT_FALSE(store->barefoot());
    EXPECT_EQ(store->device(), -1);
    EXPECT_EQ(store->compression(), -1);
    EXPECT_EQ(store->frameRate(), 0);
    EXPECT_EQ(store->videoResolution(), -1);
    EXPECT_EQ(store->colorFormat(), -1);
    EXPECT_EQ(store->videoInput(), 0);
    EXPECT_EQ(store->captureTime(), 0);
    // A name that would address another section is refused.
    EXPECT_FALSE(store->write(QStringLiteral("Other/device"), QStringLiteral("1")));
    // Reading never creates anything.
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(SettingsStoreTest, GridsAndLabelColourAreWrittenBackWhenUnusable)
{
    for (const char* stored : {"", "0", "7", "abc", "2.5", "-3"}) {
        auto store = open();
        if (*stored)
            ASSERT_TRUE(store->write(QStringLiteral("grids"), QString::fromLatin1(stored)));
        else
            QFile::remove(iniPath());
        auto fresh = open();
        const ReadBack<int> grids = fresh->grids();
        EXPECT_EQ(grids.value, 1) << stored;
        EXPECT_TRUE(grids.stored) << stored;
        EXPECT_EQ(open()->read(QStringLiteral("grids")), QStringLiteral("1")) << stored;
    }
    auto store = open();
    ASSERT_TRUE(store->write(QStringLiteral("GRIDS"), QStringLiteral("3")));
    EXPECT_EQ(store->grids().value, 3);
    ASSERT_TRUE(store->write(QStringLiteral("grids"), QStringLiteral("2")));
    EXPECT_EQ(store->grids().value, 2);
    EXPECT_EQ(fileText().toLower().count("grids="), 1);

    EXPECT_EQ(store->labelColor().value, QStringLiteral("default"));
    EXPECT_EQ(store->read(QStringLiteral("labelcolor")), QStringLiteral("default"));
    ASSERT_TRUE(store->write(QStringLiteral("labelcolor"), QStringLiteral("yellow")));
    EXPECT_EQ(store->labelColor().value, QStringLiteral("yellow"));
    // An empty value is the default colour, and "default" is stored for it.
    ASSERT_TRUE(store->write(QStringLiteral("labelcolor"), QString()));
    EXPECT_EQ(store->labelColor().value, QStringLiteral("default"));
    EXPECT_EQ(store->read(QStringLiteral("labelcolor")), QStringLiteral("default"));
    // A word that names no colour is no colour, and it stays stored as it is.
    ASSERT_TRUE(store->write(QStringLiteral("labelcolor"), QStringLiteral("purple")));
    EXPECT_EQ(store->labelColor().value, std::nullopt);
    EXPECT_EQ(store->read(QStringLiteral("labelcolor")), QStringLiteral("purple"));
}

TEST_F(SettingsStoreTest, UnreadableValuesFallBackToTheDefault)
{
    auto store = openWith("[Settings]\n"
                          "device=abc\ncompression=1.5\nframerate=fast\nVideoInput=\n"
                          "captureTime=4.0\nColorFormat= 2 \nbarefoot=yes\nWSTIMS=1\n"
                          "right2left=TRUE\nboxlineoff=-1\nbuoymarker=Cross\n"
                          "PictureSave=save\nVideoSave=NoSave\nimpactcolor=Red\n"
                          "tournamentType=sitski\n");
    EXPECT_EQ(store->device(), -1);
    EXPECT_EQ(store->compression(), -1);
    EXPECT_EQ(store->frameRate(), 0);
    EXPECT_EQ(store->videoInput(), 0);
    EXPECT_EQ(store->captureTime(), 4.0);
    EXPECT_EQ(store->colorFormat(), 2);
    EXPECT_FALSE(store->barefoot());
    EXPECT_TRUE(store->wstims());
    EXPECT_TRUE(store->rightToLeft());
    EXPECT_TRUE(store->boxLineOff());
    // Only the exact words count for the word-valued keys.
    EXPECT_EQ(store->buoyMarker(), QStringLiteral("circle"));
    EXPECT_EQ(store->pictureSave(), QStringLiteral("Ask"));
    EXPECT_EQ(store->videoSave(), QStringLiteral("NoSave"));
    // "Red" is not the word "red": it names no impact colour.
    EXPECT_EQ(store->impactColor(), std::nullopt);
    EXPECT_EQ(store->tournamentType(), QStringLiteral("sitski"));

    ASSERT_TRUE(store->write(QStringLiteral("buoymarker"), QStringLiteral("cross")));
    EXPECT_EQ(store->buoyMarker(), QStringLiteral("cross"));
    for (const char* falsy : {"False", "false", "0", "", "yes"}) {
        ASSERT_TRUE(store->write(QStringLiteral("right2left"), QString::fromLatin1(falsy)));
        EXPECT_FALSE(store->rightToLeft()) << falsy;
    }
}

TEST_F(SettingsStoreTest, TextNumbersAndPathsSurvive)
{
    auto store = open();
    const QString name = QStringLiteral("Lake Open, Day 2");
    const QString path = QStringLiteral("C:\\Jump Videos\\2026\\");
    ASSERT_TRUE(store->write(QStringLiteral("TournamentName"), name));
    ASSERT_TRUE(store->write(QStringLiteral("logpath"), path));
    auto again = open();
    EXPECT_EQ(again->tournamentName(), name);
    EXPECT_EQ(again->logPath(), path);
    ASSERT_TRUE(again->writeNumber(QStringLiteral("framerate"), 29.97));
    ASSERT_TRUE(again->writeNumber(QStringLiteral("captureTime"), 5));
    ASSERT_TRUE(again->setGridFile(3, path + QStringLiteral("south.ipt")));
    EXPECT_EQ(open()->read(QStringLiteral("framerate")), QStringLiteral("29.97"));
    EXPECT_EQ(open()->read(QStringLiteral("captureTime")), QStringLiteral("5"));
    EXPECT_EQ(open()->gridFile(3), path + QStringLiteral("south.ipt"));

    auto edited = openWith("[Settings]\nTournamentName=Lake Open, Day 2\n");
    EXPECT_EQ(edited->tournamentName(), name);
}

TEST_F(SettingsStoreTest, EmergencyResetRestoresOnlyTheInstallValues)
{
    auto store = open();
    const QStringList keys = {"logpath",   "logfile",   "barefoot",       "compression",
                              "device",    "framerate", "grid1File",      "grid2File",
                              "grid3File", "grids",     "TournamentName", "VideoResolution"};
    for (const QString& k : keys)
        ASSERT_TRUE(store->write(k, QStringLiteral("7")));
    ASSERT_TRUE(store->resetToInstallValues());

    auto again = open();
    for (const char* k : {"logpath", "logfile", "grid1File", "grid2File", "grid3File"}) {
        EXPECT_TRUE(again->contains(QLatin1String(k))) << k;
        EXPECT_EQ(again->read(QLatin1String(k), QStringLiteral("x")), QString()) << k;
    }
    for (const char* k : {"barefoot", "compression", "device", "framerate"})
        EXPECT_EQ(again->read(QLatin1String(k)), QStringLiteral("0")) << k;
    for (const char* k : {"grids", "TournamentName", "VideoResolution"})
        EXPECT_EQ(again->read(QLatin1String(k)), QStringLiteral("7")) << k;

    const auto& items = SettingsStore::installValues();
    ASSERT_EQ(items.size(), 8);
    EXPECT_EQ(items[0].label, QStringLiteral("Logpath = "));
    EXPECT_EQ(items[5].label, QStringLiteral("Grid 1 File = "));
}

TEST_F(SettingsStoreTest, AFailedWriteIsReportedAndLaterWritesWorkAgain)
{
    // The store's folder is a regular file for now, so nothing can be written there.
    const QString folder = dir.filePath(QStringLiteral("later"));
    {
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    SettingsStore store(
        std::make_unique<QSettings>(folder + QStringLiteral("/DI05.ini"), QSettings::IniFormat));
    const Status failed = store.write(QStringLiteral("logpath"), QStringLiteral("/videos"));
    EXPECT_FALSE(failed);
    EXPECT_TRUE(failed.error().contains(QStringLiteral("logpath")));
    // A reader's write-back reports the same way.
    const ReadBack<int> grids = store.grids();
    EXPECT_EQ(grids.value, 1);
    EXPECT_FALSE(grids.stored.error().isEmpty());
    EXPECT_FALSE(store.setGridFile(4, QStringLiteral("x.ipt")));

    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().mkpath(folder));
    const Status again = store.write(QStringLiteral("device"), QStringLiteral("2"));
    EXPECT_TRUE(again) << again.error();
    EXPECT_TRUE(again.error().isEmpty());
    SettingsStore reread(
        std::make_unique<QSettings>(folder + QStringLiteral("/DI05.ini"), QSettings::IniFormat));
    EXPECT_EQ(reread.device(), 2);
}

#ifdef Q_OS_UNIX
TEST_F(SettingsStoreTest, AFullDiskIsReportedAndKeepsThePreviousFile)
{
    {
        const auto store = open();
        ASSERT_TRUE(store->write(QStringLiteral("logpath"), QStringLiteral("/videos")));
    }
    const QByteArray before = fileText();
    ASSERT_FALSE(before.isEmpty());
    Status written;
    {
        const auto store = open();
        const zelvan::test::FileSizeLimit full(5);
        written = store->write(QStringLiteral("TournamentName"), QString(200, QLatin1Char('t')));
    }
    EXPECT_FALSE(written) << "a settings file that could not be written is not a success";
    EXPECT_EQ(fileText(), before);
}
#endif

TEST_F(SettingsStoreTest, AHandDamagedFileIsStillReadAndWritten)
{
    auto store = openWith("[Settings]\ngrids=2\nthis line has no value\n[Settings\n");
    EXPECT_EQ(store->grids().value, 2);
    const Status written = store->write(QStringLiteral("device"), QStringLiteral("4"));
    EXPECT_TRUE(written) << written.error();
    EXPECT_EQ(store->device(), 4);
    EXPECT_EQ(store->grids().value, 2);
}

TEST(SettingsValues, NumbersTruthsAndFlags)
{
    using namespace zelvan::app::settings;
    EXPECT_EQ(parseStoredNumber(QStringLiteral(" 15 ")), 15.0);
    EXPECT_EQ(parseStoredNumber(QStringLiteral("-1")), -1.0);
    EXPECT_EQ(parseStoredNumber(QStringLiteral("29.97")), 29.97);
    EXPECT_EQ(parseStoredNumber(QStringLiteral(".5")), 0.5);
    for (const char* bad : {"", " ", ".", "-", "1e3", "0x10", "1,5", "inf", "nan", "12a", "1.2.3"})
        EXPECT_FALSE(parseStoredNumber(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_FALSE(parseStoredNumber(QString(400, QLatin1Char('9'))).has_value());

    EXPECT_EQ(parseWholeNumber(QStringLiteral("3.0")), 3);
    EXPECT_FALSE(parseWholeNumber(QStringLiteral("2.5")).has_value());
    EXPECT_FALSE(parseWholeNumber(QStringLiteral("99999999999")).has_value());

    EXPECT_EQ(parseTruth(QStringLiteral("tRuE")), true);
    EXPECT_EQ(parseTruth(QStringLiteral("FALSE")), false);
    EXPECT_EQ(parseTruth(QStringLiteral("-1")), true);
    EXPECT_EQ(parseTruth(QStringLiteral("0")), false);
    EXPECT_FALSE(parseTruth(QStringLiteral("yes")).has_value());

    EXPECT_EQ(parseFlag(QStringLiteral("1")), true);
    EXPECT_EQ(parseFlag(QStringLiteral("0")), false);
    EXPECT_FALSE(parseFlag(QStringLiteral("True")).has_value());
}

} // namespace
