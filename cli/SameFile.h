// Whether two paths name one file, however they are spelled: through "./" and "..", through
// symbolic links, or as two hard links. Nothing is kept; the answer holds for the file system
// as it is at the call.
#pragma once

#include <QString>

// True when both paths lead to the same file: the same device and inode where both exist,
// otherwise the same canonical path (a missing file taken by its canonical folder).
bool IsSameFile(const QString &first, const QString &second);

// The device and inode of an existing file as one key, empty when the path leads nowhere.
QString FileIdentity(const QString &path);
