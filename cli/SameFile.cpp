#include "cli/SameFile.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// The canonical path, or for a file that does not exist yet, its folder's canonical path with
// its name.
QString resolvedPath(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return QDir(folder.isEmpty() ? info.absolutePath() : folder).filePath(info.fileName());
}

} // namespace

bool IsSameFile(const QString &first, const QString &second)
{
    struct stat a
    { };
    struct stat b
    { };
    if (::stat(QFile::encodeName(first).constData(), &a) == 0 &&
        ::stat(QFile::encodeName(second).constData(), &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    return resolvedPath(first) == resolvedPath(second);
}

QString FileIdentity(const QString &path)
{
    struct stat status
    { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(quint64(status.st_dev)).arg(quint64(status.st_ino));
}
