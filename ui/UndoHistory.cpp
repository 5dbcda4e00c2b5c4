#include "ui/UndoHistory.h"

#include "base/AppError.h"
#include "picture/PixelLayout.h"
#include "picture/TBitmap.h"

#include <cstring>

namespace {

std::int64_t imageBytes(const QImage &image)
{
    return std::int64_t(image.width()) * image.height() * kBytesPerPixel;
}

// The bytes of a block of the raster, row after row.
std::vector<std::uint8_t> readBlock(const TBitmap &raster, const QRect &rect)
{
    const std::size_t rowBytes = std::size_t(rect.width()) * kBytesPerPixel;
    std::vector<std::uint8_t> bytes(rowBytes * std::size_t(rect.height()));
    for (int y = 0; y < rect.height(); ++y) {
        std::memcpy(bytes.data() + rowBytes * std::size_t(y),
            raster.scanLine(rect.y() + y) + std::size_t(rect.x()) * kBytesPerPixel, rowBytes);
    }
    return bytes;
}

std::vector<std::uint8_t> readBlock(const QImage &image, const QRect &rect)
{
    const std::size_t rowBytes = std::size_t(rect.width()) * kBytesPerPixel;
    std::vector<std::uint8_t> bytes(rowBytes * std::size_t(rect.height()));
    for (int y = 0; y < rect.height(); ++y) {
        std::memcpy(bytes.data() + rowBytes * std::size_t(y),
            image.constScanLine(rect.y() + y) + std::size_t(rect.x()) * kBytesPerPixel, rowBytes);
    }
    return bytes;
}

void writeBlock(TBitmap &raster, const QRect &rect, const std::vector<std::uint8_t> &bytes)
{
    const std::size_t rowBytes = std::size_t(rect.width()) * kBytesPerPixel;
    for (int y = 0; y < rect.height(); ++y) {
        std::memcpy(raster.scanLine(rect.y() + y) + std::size_t(rect.x()) * kBytesPerPixel,
            bytes.data() + rowBytes * std::size_t(y), rowBytes);
    }
}

bool blockDiffers(const QImage &before, const TBitmap &after, const QRect &rect)
{
    const std::size_t rowBytes = std::size_t(rect.width()) * kBytesPerPixel;
    const std::size_t offset = std::size_t(rect.x()) * kBytesPerPixel;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        if (std::memcmp(before.constScanLine(y) + offset, after.scanLine(y) + offset, rowBytes))
            return true;
    }
    return false;
}

} // namespace

void SetRasterPixels(TBitmap &raster, const QImage &picture)
{
    raster.setSize(picture.width(), picture.height());
    const std::size_t rowBytes = std::size_t(picture.width()) * kBytesPerPixel;
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(raster.scanLine(y), picture.constScanLine(y), rowBytes);
}

UndoHistory::UndoHistory(std::int64_t budgetBytes)
    : m_budget(budgetBytes)
{ }

void UndoHistory::begin(const TBitmap &work, const Labels &labels, Kind kind)
{
    try {
        m_beforeCharge.resize(std::int64_t(work.width()) * work.height() * kBytesPerPixel);
    } catch (const AppError &) {
        // Too large to copy now: this step cannot be undone, nor can the ones before it.
        clear();
        m_before = QImage();
        m_recording = false;
        return;
    }
    m_before = work.view().copy();
    m_labelsBefore = labels;
    m_kind = kind;
    m_recording = true;
}

void UndoHistory::commit(const TBitmap &work, const Labels &labels)
{
    if (!m_recording)
        return;
    m_recording = false;
    Step step;
    step.kind = m_kind;
    step.labelsBefore = std::move(m_labelsBefore);
    step.labelsAfter = labels;
    const QImage before = std::move(m_before);
    m_before = QImage();
    // Held until the step is charged in its turn: the copy lives on in it.
    const MemoryReservation beforeCharge = std::move(m_beforeCharge);

    const bool sameSize = before.width() == work.width() && before.height() == work.height();
    const std::int64_t wholeBytes =
        imageBytes(before) + std::int64_t(work.width()) * work.height() * kBytesPerPixel;
    if (sameSize) {
        for (int y = 0; y < work.height() && step.bytes <= wholeBytes; y += kBlock) {
            for (int x = 0; x < work.width() && step.bytes <= wholeBytes; x += kBlock) {
                const QRect rect = QRect(x, y, kBlock, kBlock)
                                       .intersected(QRect(0, 0, work.width(), work.height()));
                if (!blockDiffers(before, work, rect))
                    continue;
                Block block {rect, readBlock(before, rect), readBlock(work, rect)};
                step.bytes += std::int64_t(block.before.size() + block.after.size());
                step.blocks.push_back(std::move(block));
            }
        }
        if (step.blocks.empty() && step.labelsBefore == step.labelsAfter)
            return; // nothing changed
    }
    if (!sameSize || step.bytes > wholeBytes) {
        step.blocks.clear();
        step.whole = true;
        step.before = before;
        step.after = work.view().copy();
        step.bytes = wholeBytes;
    }

    // Steps undone before can no longer be redone.
    while (m_steps.size() > m_applied) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    if (step.bytes > m_budget) {
        clear();
        return;
    }
    m_bytes += step.bytes;
    m_steps.push_back(std::move(step));
    while (m_bytes > m_budget || m_steps.size() > kMaxSteps) {
        m_bytes -= m_steps.front().bytes;
        m_steps.pop_front();
    }
    m_applied = m_steps.size();
    try {
        m_stepsCharge.resize(m_bytes);
    } catch (const AppError &) {
        clear();
    }
}

void UndoHistory::apply(const Step &step, bool forward, TBitmap &work, Labels &labels) const
{
    if (step.whole)
        SetRasterPixels(work, forward ? step.after : step.before);
    for (const Block &block : step.blocks)
        writeBlock(work, block.rect, forward ? block.after : block.before);
    labels = forward ? step.labelsAfter : step.labelsBefore;
}

bool UndoHistory::undo(TBitmap &work, Labels &labels)
{
    if (!canUndo())
        return false;
    apply(m_steps[m_applied - 1], false, work, labels);
    --m_applied;
    return true;
}

bool UndoHistory::redo(TBitmap &work, Labels &labels)
{
    if (!canRedo())
        return false;
    apply(m_steps[m_applied], true, work, labels);
    ++m_applied;
    return true;
}

void UndoHistory::clear()
{
    m_steps.clear();
    m_applied = 0;
    m_bytes = 0;
    m_stepsCharge.clear();
}
