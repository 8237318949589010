// Arbitrary bytes as the stored value of every setting: a hand-edited or damaged store must
// give each reader a value from its own range, never a crash. The same bytes also go through
// a real write and must read back unchanged.
#include "app/SettingsStore.h"
#include "app/SettingsValues.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace zelvan;
using namespace zelvan::app;

namespace
{

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool oneOf(const QString& v, std::initializer_list<const char*> allowed)
{
    for (const char* a : allowed)
        if (v == QLatin1String(a))
            return true;
    return false;
}

const char* const kKeys[] = {
    key::TournamentName, key::SetupFiles, key::labelcolor,      key::impactcolor, key::grids,
    key::grid1File,      key::grid2File,  key::grid3File,       key::right2left,  key::boxlineoff,
    key::tournamentType, key::WSTIMS,     key::Loupe,           key::buoymarker,  key::PictureSave,
    key::VideoSave,      key::logpath,    key::logfile,         key::barefoot,    key::device,
    key::compression,    key::framerate,  key::VideoResolution, key::ColorFormat, key::VideoInput,
    key::captureTime};

void checkConversions(const QString& value)
{
    using namespace zelvan::app::settings;
    const std::optional<double> number = parseStoredNumber(value);
    if (number)
        check(std::isfinite(*number));
    if (const std::optional<int> whole = parseWholeNumber(value))
        check(number && double(*whole) == *number);
    if (const std::optional<bool> flag = parseFlag(value))
        check(parseTruth(value) == flag);
    if (const std::optional<int> c = labelColorValueOf(value))
        check(*c == kBlack || *c == kWhite || *c == kYellow);
    if (const std::optional<int> c = impactColorValueOf(value))
        check(*c == kBlack || *c == kRed || *c == kWhite || *c == kYellow);
}

void checkReaders(SettingsStore& store)
{
    // A colour word that names no colour is no colour, never a made-up one.
    if (const std::optional<QString> label = store.labelColor().value)
        check(oneOf(*label, {"default", "black", "white", "yellow"}));
    if (const std::optional<QString> impact = store.impactColor())
        check(oneOf(*impact, {"white", "black", "yellow", "red"}));
    const int grids = store.grids().value;
    check(grids >= 1 && grids <= 3);
    check(oneOf(store.tournamentType(), {"normal", "barefoot", "sitski"}));
    check(oneOf(store.buoyMarker(), {"cross", "circle"}));
    check(oneOf(store.pictureSave(), {"Save", "NoSave", "Ask"}));
    check(oneOf(store.videoSave(), {"Save", "NoSave", "Ask"}));
    check(std::isfinite(store.frameRate()));
    check(std::isfinite(store.captureTime()));
    (void)store.tournamentName();
    (void)store.setupFiles();
    (void)store.gridFile(1);
    (void)store.rightToLeft();
    (void)store.boxLineOff();
    (void)store.wstims();
    (void)store.loupe();
    (void)store.logPath();
    (void)store.barefoot();
    (void)store.device();
    (void)store.compression();
    (void)store.videoResolution();
    (void)store.colorFormat();
    (void)store.videoInput();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // In memory where the system has such a folder: every QSettings write syncs its file to the
    // disk, which on a real disk costs milliseconds an input.
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/zelvan-fuzz-settings-XXXXXX")
                                 : QDir::tempPath() +
                                       QStringLiteral("/zelvan-fuzz-settings-XXXXXX"));
    static qint64 run = 0;
    ++run;
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QString value = QString::fromUtf8(bytes);
    checkConversions(value);

    // A store as a damaged or hand-edited file holds it: the raw bytes after every key. The
    // same two file names serve every input: QSettings keeps every file it has seen in a cache
    // of its own, and a new name per input grew it without end (and with it libFuzzer's leak
    // check after every input, which made the target crawl).
    const QString edited = dir.filePath(QStringLiteral("edited.ini"));
    {
        QByteArray ini = "[Settings]\n";
        for (const char* k : kKeys)
            ini += QByteArray(k) + '=' + bytes + '\n';
        QFile f(edited);
        check(f.open(QIODevice::WriteOnly));
        f.write(ini);
        // QSettings reads a cached file again only when its size or time changed: a time of
        // its own for each input, so two inputs of one length never share a reading.
        check(f.setFileTime(QDateTime::fromSecsSinceEpoch(1'000'000'000 + run, Qt::UTC),
                            QFileDevice::FileModificationTime));
    }
    {
        SettingsStore store(std::make_unique<QSettings>(edited, QSettings::IniFormat));
        checkReaders(store);
    }
    QFile::remove(edited);

    // What the station writes it reads back, whatever the text.
    const QString written = dir.filePath(QStringLiteral("written.ini"));
    {
        SettingsStore store(std::make_unique<QSettings>(written, QSettings::IniFormat));
        check(store.write(QLatin1String(key::TournamentName), value).ok());
        check(store.write(QStringLiteral("tournamentname"), value).ok());
    }
    {
        SettingsStore store(std::make_unique<QSettings>(written, QSettings::IniFormat));
        check(store.tournamentName() == value);
        checkReaders(store);
    }
    QFile::remove(written);
    return 0;
}
