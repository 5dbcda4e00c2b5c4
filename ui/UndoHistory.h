// The window's undo history: each step (a stroke, a pass, a clear, a load, a paste, a new page)
// is kept as the work raster before and after it, together with the caption, the numbers and
// the labels shown over the raster. When
// the step kept the raster's size, only the 32 x 32 blocks that it changed are kept, before and
// after; otherwise (or when the blocks would take more) the two whole rasters are.
//
// The history owns copies of pixels only, never references into the raster, so replacing the
// raster's store does not invalidate it. The oldest steps go once the kept bytes pass the
// budget; a step larger than the whole budget empties the history.
//
// The copies are charged to the run's memory budget as well. When a step cannot be recorded
// within it, the history is emptied rather than the step refused: the user's change goes on,
// and can no longer be undone.
#pragma once

#include "base/MemoryBudget.h"
#include "recognition/LabelLayer.h"

#include <QImage>
#include <QRect>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <vector>

class TBitmap;

class UndoHistory
{
public:
    // What the window keeps beside the raster, kept with it.
    struct Labels
    {
        QString caption;
        QStringList numbers;
        LabelLayer layer;    // the learned method's labels, laid over the raster
        bool framed = false; // the raster holds a picture in the loader's white frame
        friend bool operator==(const Labels &, const Labels &) = default;
    };

    // What a step was: a recognition pass, or any other change.
    enum class Kind { Change, Pass };

    static constexpr std::int64_t kDefaultBudget = std::int64_t(256) << 20;
    static constexpr int kBlock = 32;
    static constexpr std::size_t kMaxSteps = 1000;

    explicit UndoHistory(std::int64_t budgetBytes = kDefaultBudget);

    // Starts a step: keeps a copy of the raster and the labels as they are now.
    void begin(const TBitmap &work, const Labels &labels, Kind kind = Kind::Change);
    // Ends the step begun, whether or not the change finished: a step that changed nothing is
    // not kept. Steps undone before are dropped.
    void commit(const TBitmap &work, const Labels &labels);
    bool isRecording() const { return m_recording; }

    bool canUndo() const { return m_applied > 0; }
    // The kind of the step that undo would take back.
    bool lastStepIsPass() const { return canUndo() && m_steps[m_applied - 1].kind == Kind::Pass; }
    bool canRedo() const { return m_applied < m_steps.size(); }
    // Puts the raster and labels back as they were before the last step (after the next undone
    // step, for redo). The raster's store is replaced when its size changes: the caller rebuilds
    // the row table. Give false when there is nothing to undo or redo.
    bool undo(TBitmap &work, Labels &labels);
    bool redo(TBitmap &work, Labels &labels);

    std::size_t steps() const { return m_steps.size(); }
    std::int64_t bytes() const { return m_bytes; }
    void clear();

private:
    struct Block
    {
        QRect rect;
        std::vector<std::uint8_t> before, after;
    };
    struct Step
    {
        Kind kind = Kind::Change;
        bool whole = false;        // the whole rasters are kept, not blocks
        std::vector<Block> blocks; // same size before and after: the changed blocks
        QImage before, after;      // whole: the rasters
        Labels labelsBefore, labelsAfter;
        std::int64_t bytes = 0;
    };

    void apply(const Step &step, bool forward, TBitmap &work, Labels &labels) const;

    std::int64_t m_budget;
    std::deque<Step> m_steps;
    std::size_t m_applied = 0; // steps[0, m_applied) are done; the rest were undone
    std::int64_t m_bytes = 0;
    bool m_recording = false;
    QImage m_before;
    MemoryReservation m_beforeCharge; // m_before's bytes
    MemoryReservation m_stepsCharge;  // m_bytes
    Labels m_labelsBefore;
    Kind m_kind = Kind::Change;
};

// Replaces the raster's pixels by a copy of the picture (Format_BGR888).
void SetRasterPixels(TBitmap &raster, const QImage &picture);
