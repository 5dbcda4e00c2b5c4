// Recognising many pictures at once: a pool of worker threads, each with a picture store of its
// own, takes the pictures one at a time, so that only as many pictures as there are workers are
// in memory at once. Their reports are handed back in input order, on the calling thread.
#pragma once

#include "base/MemoryBudget.h"

#include <QByteArray>

#include <functional>

class ProgressLine;
struct PictureStore;

// What one picture gives: the text for stdout and for stderr, and whether it failed. A report
// may wait for the pictures before it, so it stays charged to the run's budget until written.
struct PictureOutcome
{
    QByteArray out;
    QByteArray err;
    bool failed = false;
    MemoryReservation held;
};

// Runs work(i, store) for every i in [0, count) on up to `threads` threads and calls report with
// each outcome in order of i, on this thread, as soon as it and all before it are done. An
// exception that escapes work becomes a failed outcome with its message. The progress line is
// redrawn after the reports; report clears it first when it writes to the same terminal.
void RunInOrder(int count, int threads,
    const std::function<PictureOutcome(int index, PictureStore &store)> &work,
    const std::function<void(const PictureOutcome &outcome)> &report, ProgressLine &progress);
