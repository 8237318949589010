// What the station writes it reads back, whatever the text: arbitrary bytes written as a
// setting (twice, in two spellings of one key, so the second replaces the first) and read
// again from the file by a fresh store.
#include "SettingsChecks.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>

using namespace zelvan;
using namespace zelvan::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir(scratchFolderTemplate());
    const QString value =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    const QString written = dir.filePath(QStringLiteral("written.ini"));
    {
        app::SettingsStore store(std::make_unique<QSettings>(written, QSettings::IniFormat));
        check(store.write(QStringLiteral("tournamentname"), value).ok());
        check(store.write(QLatin1String(key::TournamentName), value).ok());
    }
    {
        app::SettingsStore store(std::make_unique<QSettings>(written, QSettings::IniFormat));
        check(store.tournamentName() == value);
        checkReaders(store);
    }
    QFile::remove(written);
    return 0;
}
