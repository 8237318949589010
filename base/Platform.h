#pragma once
// The one place where the station's platforms differ: where its folders and settings live.
// Every answer can be overridden from the environment, for tests and portable use.
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

class QFileDevice;
class QSettings;

namespace zelvan::platform
{

// The station's own folder ("application folder"): ZELVAN_APP_DIR; else the executable's
// folder when writable; else the per-user data folder.
QString stationFolder();

// The interface folder shared with WSTIMS: ZELVAN_ZQIO; on Windows the root of the station
// folder's drive + "zqio"; elsewhere <station folder>/zqio.
QString zqioFolder();

// The settings store (application DI05, section Settings lives inside it): ZELVAN_SETTINGS
// names an INI file; on Windows the registry key where existing stations keep their
// settings; elsewhere an INI file in the per-user config folder.
std::unique_ptr<QSettings> openSettingsStore();

// Paths as the operator should see them (native separators).
QString nativePath(const QString& path);

// A file name as FFmpeg's file functions expect it (UTF-8 on Windows, where FFmpeg widens
// it itself; the file system's encoding elsewhere).
QByteArray ffmpegFileName(const QString& path);

// The root folder of the drive with this letter ("C" -> "C:/"); empty where the platform has
// no drive letters.
QString driveLetterRoot(const QString& letter);

// Free bytes on the volume holding path; -1 when it cannot be told. ZELVAN_FREE_BYTES, a
// whole number of bytes, answers for every volume: a full disk is then tried without filling
// one.
qint64 freeDiskBytes(const QString& path);

// Asks the system to put what was written to the open file on the disk itself, so that a
// file put in place afterwards survives a power cut whole. 0 on success, else the system's
// error number (a disk that fills only now fails here).
int syncToDisk(QFileDevice& file);

} // namespace zelvan::platform
