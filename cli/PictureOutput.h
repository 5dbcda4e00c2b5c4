// Writing the annotated pictures: each file written whole or not at all, and, for a run over
// many pictures, where in the output folder each one goes.
#pragma once

#include "cli/PictureList.h"

#include <QString>
#include <QStringList>

#include <vector>

class TBitmap;

// Writes the raster in the format the name's extension says, through a temporary file in the
// same folder that is renamed into place only when complete: a failed write leaves no file
// behind, and an existing file stays whole. Gives the failure's message, empty on success.
QString WritePictureFile(const QString &output, const TBitmap &raster);

// The annotated copies' paths in the output folder, one for each picture at its place
// (OutputPathFor), or the refusal when an output would replace an input or two pictures would
// give one name.
struct OutputPlan
{
    QStringList outputs;
    QString refusal; // empty when the plan holds
};
OutputPlan PlanOutputs(const std::vector<PictureFile> &pictures, const QString &folder);
