#pragma once
// Existence tests for files, folders and drives.
#include <QString>

namespace zelvan::review
{

// True when the file's length can be read: an existing file (not a folder).
bool fileExists(const QString& path);

enum class PathKind { File = 0, Folder = 1, Drive = 2 };

// kind 0 file, 1 folder, 2 drive; any other kind gives false.
// A "drive" is a volume root: on Windows "C:", "C:\" and the like; elsewhere a mount point
// such as "/" or "/media/usb" (an existing folder at which a file system is mounted).
bool pathExists(const QString& path, int kind);

} // namespace zelvan::review
