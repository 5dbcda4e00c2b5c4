// One picture through the headless command, short of where its bytes go: loaded and read as
// the options say, then reported as text or JSON. The runners (HeadlessCommand.cpp) send the
// report to standard output, or hold it back for the pictures before it.
#pragma once

#include "cli/CommandLine.h"
#include "cli/ReportOut.h"
#include "recognition/ReadPicture.h"

#include <QString>

#include <cstdint>

struct PictureStore;

// Loads the picture into the store as the window would and reads it on `threads` threads.
// Gives the failure's message, empty on success.
QString LoadAndRead(const QString &picture, const HeadlessOptions &options, int threads,
    PictureStore &store, Reading &reading);

// The report of a read picture, as text or JSON, into out as it is made.
void WriteReport(ReportOut &out, const QString &picture, const HeadlessOptions &options,
    const TBitmap &raster, const Reading &reading);

// What the report costs at most while it is held in memory, waiting to be written: so much a
// region, and the lines every report has, which name the picture.
std::int64_t HeldReportBytes(
    const QString &picture, const HeadlessOptions &options, const Reading &reading);
