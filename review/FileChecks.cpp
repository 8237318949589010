#include "review/FileChecks.h"

#include "base/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

namespace zelvan::review
{

bool fileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

namespace
{

bool driveExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    // "C:", "C:\" and "C:/" name a drive by its letter.
    static const QRegularExpression letter(QStringLiteral("^([A-Za-z]):[\\\\/]?$"));
    const QRegularExpressionMatch m = letter.match(path);
    const QString root = m.hasMatch() ? platform::driveLetterRoot(m.captured(1)) : path;
    if (root.isEmpty())
        return false;
    const QFileInfo info(root);
    if (!info.isDir())
        return false;
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    const QStorageInfo storage(absolute);
    return storage.isValid() && QDir::cleanPath(storage.rootPath()) == absolute;
}

} // namespace

bool pathExists(const QString& path, int kind)
{
    switch (kind) {
    case int(PathKind::File):
        return fileExists(path);
    case int(PathKind::Folder):
        return !path.isEmpty() && QFileInfo(path).isDir();
    case int(PathKind::Drive):
        return driveExists(path);
    default:
        return false;
    }
}

} // namespace zelvan::review
