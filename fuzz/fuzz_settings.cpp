// Arbitrary bytes as the stored value of every setting, as a damaged or hand-edited settings
// file holds them: each reader must give a value from its own range, never a crash. The
// write round trip has a target of its own (fuzz_settings_write.cpp): a write syncs a file
// to the disk and would slow every input of this one.
#include "SettingsChecks.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>

using namespace zelvan;
using namespace zelvan::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir(scratchFolderTemplate());
    static qint64 run = 0;
    ++run;
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    checkConversions(QString::fromUtf8(bytes));

    // The raw bytes after every key. The same file name serves every input: QSettings keeps
    // every file it has seen in a cache of its own, and a new name per input grew it without
    // end (and with it libFuzzer's leak check after every input, which made the target crawl).
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
        app::SettingsStore store(std::make_unique<QSettings>(edited, QSettings::IniFormat));
        checkReaders(store);
    }
    QFile::remove(edited);
    return 0;
}
