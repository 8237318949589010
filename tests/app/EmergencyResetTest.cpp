// The emergency parameter reset against a real INI store and scripted answers.
#include "app/EmergencyReset.h"
#include "ScriptedDialogs.h"
#include "app/SettingsStore.h"

#include "QStringPrint.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using namespace zelvan::app;

namespace
{

std::unique_ptr<SettingsStore> storeIn(const QString& path)
{
    return std::make_unique<SettingsStore>(std::make_unique<QSettings>(path, QSettings::IniFormat));
}

TEST(EmergencyReset, FirstStartShowsZeroForEveryMissingSetting)
{
    QTemporaryDir dir;
    auto store = storeIn(dir.filePath(QStringLiteral("DI05.ini")));
    ScriptedDialogs dialogs;
    for (int i = 0; i < 10; ++i)
        dialogs.yesNoAnswers.enqueue(true);
    ASSERT_TRUE(runEmergencyReset(dialogs, *store));

    const QStringList expected = {
        QStringLiteral("Do you want to reset all parameters to install values?"),
        QStringLiteral("Are you certain? This means you are crashing and can't operate"),
        QStringLiteral("Logpath = 0 Clear it?"),
        QStringLiteral("barefoot = 0 Clear it?"),
        QStringLiteral("compression = 0 Clear it?"),
        QStringLiteral("device = 0 Clear it?"),
        QStringLiteral("framerate = 0 Clear it?"),
        QStringLiteral("Grid 1 File = 0 Clear it?"),
        QStringLiteral("Grid 2 File = 0 Clear it?"),
        QStringLiteral("Grid 3 File = 0 Clear it?")};
    EXPECT_EQ(dialogs.texts(), expected);
    for (const auto& shown : dialogs.shown) {
        EXPECT_EQ(shown.kind, ScriptedDialogs::Kind::YesNo);
        EXPECT_EQ(shown.title, QStringLiteral("Emergency Parameter Reset"));
        EXPECT_EQ(shown.icon, Icon::Question);
        EXPECT_EQ(shown.byDefault, DefaultAnswer::No) << shown.text.toStdString();
    }
    EXPECT_EQ(store->read(QStringLiteral("device"), QStringLiteral("x")), QStringLiteral("0"));
    EXPECT_EQ(store->read(QStringLiteral("logfile"), QStringLiteral("x")), QString());
}

TEST(EmergencyReset, OnlyConfirmedSettingsAreCleared)
{
    QTemporaryDir dir;
    auto store = storeIn(dir.filePath(QStringLiteral("DI05.ini")));
    ASSERT_TRUE(store->write(QStringLiteral("logpath"), QStringLiteral("/videos")));
    ASSERT_TRUE(
        store->write(QStringLiteral("logfile"), QStringLiteral("JumpMeasurementLog010226.txt")));
    ASSERT_TRUE(store->write(QStringLiteral("device"), QStringLiteral("3")));
    ASSERT_TRUE(store->write(QStringLiteral("grid2File"), QStringLiteral("/grids/north.ipt")));

    ScriptedDialogs dialogs;
    // Yes, Yes, then: logpath Yes, barefoot No, compression No, device No, framerate No,
    // grid 1 No, grid 2 Yes, grid 3 No.
    for (bool b : {true, true, true, false, false, false, false, false, true, false})
        dialogs.yesNoAnswers.enqueue(b);
    ASSERT_TRUE(runEmergencyReset(dialogs, *store));
    EXPECT_EQ(dialogs.texts().at(2), QStringLiteral("Logpath = /videos Clear it?"));
    EXPECT_EQ(dialogs.texts().at(5), QStringLiteral("device = 3 Clear it?"));
    EXPECT_EQ(dialogs.texts().at(8), QStringLiteral("Grid 2 File = /grids/north.ipt Clear it?"));

    EXPECT_EQ(store->logPath(), QString());
    EXPECT_EQ(store->logFile(), QString());
    EXPECT_EQ(store->device(), 3);
    EXPECT_EQ(store->gridFile(2), QString());

    // No to the first question asks nothing more and changes nothing.
    ScriptedDialogs refused;
    ASSERT_TRUE(runEmergencyReset(refused, *store));
    EXPECT_EQ(refused.shown.size(), 1);
    EXPECT_EQ(store->device(), 3);
}

TEST(EmergencyReset, AStoreThatCannotBeWrittenIsReported)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto store = storeIn(blocker + QStringLiteral("/DI05.ini"));
    ScriptedDialogs dialogs;
    for (int i = 0; i < 10; ++i)
        dialogs.yesNoAnswers.enqueue(true);
    const Status reset = runEmergencyReset(dialogs, *store);
    EXPECT_FALSE(reset);
    EXPECT_FALSE(reset.error().isEmpty());
    // Every question was still asked, and every failed clear was reported.
    int questions = 0;
    int warnings = 0;
    for (const auto& shown : dialogs.shown) {
        questions += shown.kind == ScriptedDialogs::Kind::YesNo;
        warnings += shown.kind == ScriptedDialogs::Kind::Message && shown.icon == Icon::Warning;
    }
    EXPECT_EQ(questions, 10);
    EXPECT_EQ(warnings, 8);
}

} // namespace
