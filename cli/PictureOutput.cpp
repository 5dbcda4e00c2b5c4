#include "cli/PictureOutput.h"

#include "base/MemoryBudget.h"
#include "base/Messages.h"
#include "cli/PictureList.h"
#include "cli/SameFile.h"
#include "picture/TBitmap.h"

#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <QSaveFile>

QString WritePictureFile(const QString &output, const TBitmap &raster)
{
    // The writer may convert the picture to a format of its own first: one more raster.
    const MemoryReservation copy(
        TBitmap::storeBytes(raster.width(), raster.height()) + std::int64_t(raster.height()) * 8);
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly))
        return CannotWriteFile(output, file.errorString());
    QImageWriter writer(&file, QFileInfo(output).suffix().toLower().toLatin1());
    if (!writer.write(raster.view())) {
        file.cancelWriting();
        return CannotWriteFile(output, writer.errorString());
    }
    if (!file.commit())
        return CannotWriteFile(output, file.errorString());
    return {};
}

OutputPlan PlanOutputs(const std::vector<PictureFile> &pictures, const QString &folder)
{
    QHash<QString, QString> inputByIdentity;
    for (const PictureFile &file : pictures) {
        if (const QString identity = FileIdentity(file.path); !identity.isEmpty())
            inputByIdentity.insert(identity, file.path);
    }
    QHash<QString, QString> pictureByOutput;
    OutputPlan plan;
    for (const PictureFile &file : pictures) {
        const QString &picture = file.path;
        const QString output = OutputPathFor(folder, file.place);
        if (const auto taken = pictureByOutput.constFind(output); taken != pictureByOutput.cend())
            return {{}, RefusingToWriteTwice(output, *taken, picture)};
        pictureByOutput.insert(output, picture);
        if (const QString identity = FileIdentity(output); inputByIdentity.contains(identity))
            return {{}, RefusingToOverwriteInput(inputByIdentity.value(identity))};
        plan.outputs.append(output);
    }
    return plan;
}
