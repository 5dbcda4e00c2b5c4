// The pictures that the paths on a command line name: files as given, folders walked for the
// picture formats the loader reads. Paths keep the user's spelling, so that reports name them
// as typed.
#pragma once

#include <QStringList>

// Each path in order: a folder gives its .bmp, .jpg and .jpeg files (any case) in name order,
// and with `recursive` those of its subfolders too, each subfolder in its place in the name
// order; anything else is taken as a picture file, so that a missing one is reported when it
// fails to load.
QStringList ListPictures(const QStringList &paths, bool recursive);

// The name an annotated copy of `picture` takes in `folder`: its base name with ".png".
QString OutputPathFor(const QString &folder, const QString &picture);
