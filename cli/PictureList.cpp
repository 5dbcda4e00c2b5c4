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

// `visited` holds the canonical paths of the folders walked, so that a link back to a folder
// above does not walk it again.
void walkFolder(
    const QString &folder, bool recursive, QSet<QString> &visited, QStringList &pictures)
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
                walkFolder(path, recursive, visited, pictures);
        } else if (isPictureName(entry.fileName())) {
            pictures.append(path);
        }
    }
}

} // namespace

QStringList ListPictures(const QStringList &paths, bool recursive)
{
    QStringList pictures;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir()) {
            QSet<QString> visited;
            walkFolder(path, recursive, visited, pictures);
        } else {
            pictures.append(path);
        }
    }
    return pictures;
}

QString OutputPathFor(const QString &folder, const QString &picture)
{
    return QDir(folder).filePath(QFileInfo(picture).completeBaseName() + QStringLiteral(".png"));
}
