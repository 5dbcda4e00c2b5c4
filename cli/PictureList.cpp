#include "cli/PictureList.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

bool isPictureName(const QString &name)
{
    for (const char *suffix : {".bmp", ".jpg", ".jpeg"}) {
        if (name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// `below` is the folder's path under the folder given ("" for that folder itself). `visited`
// holds the canonical paths of the folders walked, so that a link back to a folder above does
// not walk it again.
void walkFolder(const QString &folder, const QString &below, bool recursive, QSet<QString> &visited,
    std::vector<PictureFile> &pictures)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (visited.contains(canonical))
        return;
    visited.insert(canonical);
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString path = dir.filePath(entry.fileName());
        if (entry.isDir()) {
            if (recursive)
                walkFolder(path, below + entry.fileName() + u'/', recursive, visited, pictures);
        } else if (isPictureName(entry.fileName())) {
            pictures.push_back({path, below + entry.completeBaseName()});
        }
    }
}

} // namespace

PictureFiles ListPictures(const QStringList &paths, bool recursive)
{
    PictureFiles files;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir()) {
            const std::size_t before = files.pictures.size();
            QSet<QString> visited;
            walkFolder(path, QString(), recursive, visited, files.pictures);
            if (files.pictures.size() == before)
                files.emptyFolders.append(path);
        } else {
            files.pictures.push_back({path, PlaceOf(path)});
        }
    }
    return files;
}

QString PlaceOf(const QString &picture)
{
    return QFileInfo(picture).completeBaseName();
}

QString OutputPathFor(const QString &folder, const QString &place)
{
    return QDir(folder).filePath(place + QStringLiteral(".png"));
}
