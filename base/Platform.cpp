#include "base/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>
#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zelvan::platform
{

namespace
{
QString fromEnv(const char* name)
{
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariable(name) : QString();
}
} // namespace

QString stationFolder()
{
    const QString env = fromEnv("ZELVAN_APP_DIR");
    if (!env.isEmpty())
        return QDir::cleanPath(env);
    if (QCoreApplication::instance()) {
        QString exeDir = QCoreApplication::applicationDirPath();
        if (QFileInfo(exeDir).isWritable())
            return exeDir;
    }
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.zelvan");
    QDir().mkpath(data);
    return data;
}

QString zqioFolder()
{
    const QString env = fromEnv("ZELVAN_ZQIO");
    if (!env.isEmpty())
        return QDir::cleanPath(env);
#ifdef Q_OS_WIN
    // WSTIMS looks for \zqio at the root of the drive the station runs from.
    const QString station = stationFolder();
    return QDir::cleanPath(station.left(3) + QStringLiteral("zqio"));
#else
    return stationFolder() + QStringLiteral("/zqio");
#endif
}

std::unique_ptr<QSettings> openSettingsStore()
{
    const QString env = fromEnv("ZELVAN_SETTINGS");
    if (!env.isEmpty())
        return std::make_unique<QSettings>(env, QSettings::IniFormat);
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\DI05"),
        QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Zelvan"), QStringLiteral("DI05"));
#endif
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QByteArray ffmpegFileName(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

QString driveLetterRoot(const QString& letter)
{
#ifdef Q_OS_WIN
    return letter + QStringLiteral(":/");
#else
    Q_UNUSED(letter);
    return QString();
#endif
}

qint64 freeDiskBytes(const QString& path)
{
    bool given = false;
    const qint64 forced = fromEnv("ZELVAN_FREE_BYTES").trimmed().toLongLong(&given);
    if (given)
        return forced < 0 ? -1 : forced;
    QStorageInfo info(path);
    return info.isValid() ? info.bytesAvailable() : -1;
}

int syncToDisk(QFileDevice& file)
{
    const int fd = file.handle();
    if (fd < 0)
        return EBADF;
#ifdef Q_OS_WIN
    if (_commit(fd) != 0)
        return errno;
#else
    if (fsync(fd) != 0)
        return errno;
#endif
    return 0;
}

} // namespace zelvan::platform
