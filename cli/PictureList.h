// The pictures that the paths on a command line name: files as given, folders walked for the
// picture formats the loader reads. Paths keep the user's spelling, so that reports name them
// as typed.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A picture to read, and where its annotated copy goes in an output folder.
struct PictureFile
{
    QString path;  // as the user spelled it, or a folder's path as spelled joined to the name
    QString place; // the copy's path under the output folder, without its extension
};

// The pictures of the paths, in order, and the folders that gave none.
struct PictureFiles
{
    std::vector<PictureFile> pictures;
    QStringList emptyFolders;
};

// Each path in order: a folder gives its .bmp, .jpg and .jpeg files (any case) in name order,
// and with `recursive` those of its subfolders too, each subfolder in its place in the name
// order; anything else is taken as a picture file, so that a missing one is reported when it
// fails to load. A file given takes its base name as its place; one found in a folder its path
// below that folder, so that the output folder mirrors the folders walked.
PictureFiles ListPictures(const QStringList &paths, bool recursive);

// The place of a picture file given by its path: its base name.
QString PlaceOf(const QString &picture);

// The name an annotated copy takes in `folder`: its place with ".png".
QString OutputPathFor(const QString &folder, const QString &place);
