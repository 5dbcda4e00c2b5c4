// The main window's picture as a row of steps: every change of the work raster (a stroke, a
// pass, a clear, a load, a paste or a new page) is one step of the undo history, with the
// caption, the numbers and the labels over the picture that belong to it; undo and redo put a
// step back. Reading the picture and writing it to a file are here too. The view is told what
// changed (PictureView.cpp).
#include "ui/MainWindow.h"

#include "base/AppError.h"
#include "base/Messages.h"
#include "picture/LoadPicture.h"
#include "picture/PictureFromImage.h"
#include "recognition/LabelLayer.h"
#include "recognition/ReadPicture.h"
#include "ui/ProgressBar.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLineEdit>

namespace {

constexpr int kStrokeWidth = 5;

// The recognition pass reports its progress to ProgressBar1 through this.
class BarProgress : public ProgressSink
{
public:
    explicit BarProgress(TProgressBar &bar)
        : m_bar(bar)
    { }

    void setMaximum(int maximum) override { m_bar.setMaximum(maximum); }
    void step() override { m_bar.stepIt(); }
    void reset() override { m_bar.setPosition(0); }

private:
    TProgressBar &m_bar;
};

// The wait cursor for as long as the guard lives, however its scope is left.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// Qt reads "[*]" in a window title as the place of the modified mark, and "[*][*]" as a
// literal "[*]": doubling every one shows the text exactly.
QString literalTitle(const QString &text)
{
    return QString(text).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

} // namespace

// --- The undo history -------------------------------------------------------------------

void TForm1::recordStep(const std::function<void()> &change, UndoHistory::Kind kind)
{
    m_history.begin(m_store.workRaster, labels(), kind);
    try {
        change();
    } catch (...) {
        m_history.commit(m_store.workRaster, labels());
        throw;
    }
    m_history.commit(m_store.workRaster, labels());
}

UndoHistory::Labels TForm1::labels() const
{
    return {windowTitle(), m_numbers, m_layer, m_framed};
}

void TForm1::showLabels(const UndoHistory::Labels &labels)
{
    // The caption is kept as the window holds it, "[*]" already doubled.
    setWindowTitle(labels.caption);
    m_numbers = labels.numbers;
    m_layer = labels.layer;
    m_framed = labels.framed;
    NumbersLine->setText(m_numbers.join(u' '));
    NumbersLine->setCursorPosition(0);
}

void TForm1::Undo()
{
    UndoHistory::Labels restored;
    if (!m_drawing && m_history.undo(m_store.workRaster, restored))
        showRestoredRaster(restored);
}

void TForm1::Redo()
{
    UndoHistory::Labels restored;
    if (!m_drawing && m_history.redo(m_store.workRaster, restored))
        showRestoredRaster(restored);
}

void TForm1::showRestoredRaster(const UndoHistory::Labels &labels)
{
    RebuildRowTable(m_store.rowTable, m_store.workRaster);
    m_store.displayRaster.copyFrom(m_store.workRaster);
    m_displayMatchesWork = true;
    showLabels(labels);
    repaint();
}

// --- Strokes ----------------------------------------------------------------------------

void TForm1::beginStroke(QPoint at)
{
    if (!m_drawing)
        m_history.begin(m_store.workRaster, labels());
    m_drawing = true;
    m_lastStroke = at;
    TCanvas &canvas = m_store.workRaster.canvas();
    canvas.Pen.Width = kStrokeWidth;
    canvas.Pen.Color = clBlack;
    canvas.moveTo(at.x(), at.y());
}

void TForm1::continueStroke(QPoint to)
{
    const QPoint from = m_lastStroke;
    TCanvas &canvas = m_store.workRaster.canvas();
    canvas.moveTo(from.x(), from.y());
    canvas.lineTo(to.x(), to.y());
    m_lastStroke = to;
    // The pen reaches half its width beyond the segment; a whole width leaves a margin.
    const int reach = canvas.Pen.Width;
    publishStroke(QRect(from, to).normalized().adjusted(-reach, -reach, reach, reach));
}

void TForm1::endStroke()
{
    if (m_drawing)
        m_history.commit(m_store.workRaster, labels());
    m_drawing = false;
}

// --- Clearing, loading, reading ---------------------------------------------------------

void TForm1::clearPicture()
{
    recordStep([this] {
        TCanvas &canvas = m_store.workRaster.canvas();
        canvas.fillRect(canvas.clipRect());
        showLabels({windowTitle(), {}, {}, m_framed});
    });
    catchUpDisplay();
}

void TForm1::NewPage()
{
    if (m_drawing)
        return;
    recordStep([this] {
        TBitmap &work = m_store.workRaster;
        work.setSize(kStartWidth, kStartHeight);
        work.canvas().fillRect(work.canvas().clipRect());
        RebuildRowTable(m_store.rowTable, work);
        showLabels({QString::fromLatin1(kCaption), {}, {}, false});
    });
    m_store.displayRaster.copyFrom(m_store.workRaster);
    m_displayMatchesWork = true;
    ResetView();
    repaint();
}

void TForm1::LoadPicture(const QString &fileName)
{
    // A failed load changes nothing; a successful one replaces the work raster behind the
    // display raster.
    replacePicture([&] { return ::LoadPicture(fileName, m_store.workRaster, m_store.rowTable); });
}

void TForm1::replacePicture(const std::function<QString()> &load)
{
    recordStep([&] {
        const WaitCursor busy;
        const QString caption = load();
        m_displayMatchesWork = false;
        showLabels({literalTitle(caption), {}, {}, true});
    });
}

void TForm1::RecognizeAll()
{
    // The turns method's labels go into the work raster as the pass goes, the learned method's
    // become the layer over it; once the pass has finished, the display raster becomes a copy
    // of the work raster and is shown with the layer. A pass that fails leaves the display
    // raster behind, so the next stroke copies the work raster whole.
    m_displayMatchesWork = false;
    const WaitCursor busy;
    BarProgress progress(*ProgressBar1);
    const auto read = [&] {
        // The learned method's model loads at its first pass; a failure shows in the error box
        // before anything is drawn, and the turns method goes on working.
        ReadingOptions options;
        options.method = method();
        const Reading reading =
            ReadPicture(m_store.workRaster, m_store.rowTable, m_recognition, progress, options);
        QStringList texts;
        for (const Number &number : reading.numbers)
            texts.append(QString::fromStdString(number.text));
        showLabels({windowTitle(), texts, LayerOf(reading.glyphs), m_framed});
    };
    recordStep(read, UndoHistory::Kind::Pass);
    m_store.displayRaster.copyFrom(m_store.workRaster);
    m_displayMatchesWork = true;
    repaint();
}

void TForm1::readAgainWithNewMethod()
{
    // The pass's step holds the picture as it was before the pass: the turns method's labels
    // and the marks of either method go with it.
    if (m_drawing || !m_history.lastStepIsPass())
        return;
    Undo();
    RecognizeAll();
}

void TForm1::openPicture(const QString &fileName)
{
    LoadPicture(fileName);
    RecognizeAll();
}

// --- Paste, save, copy ------------------------------------------------------------------

void TForm1::Paste()
{
    const QImage picture = QGuiApplication::clipboard()->image();
    if (picture.isNull())
        throw AppError(kClipboardHasNoPicture);
    replacePicture([&] {
        LoadPictureFromImage(picture, m_store.workRaster, m_store.rowTable);
        return QString::fromLatin1(kClipboardCaption);
    });
    RecognizeAll();
}

void TForm1::writePicture(const QString &fileName, const QByteArray &format)
{
    // A copy without the frame, if any, with the layer composed in: what the window shows.
    const TBitmap &work = m_store.workRaster;
    const int frame = m_framed ? 1 : 0;
    TBitmap picture;
    picture.setSize(std::max(0, work.width() - 2 * frame), std::max(0, work.height() - 2 * frame));
    CopyRect(picture, 0, 0, picture.width(), picture.height(), work, frame, frame);
    ComposeLayer(picture, m_layer, QPoint(-frame, -frame));
    QImageWriter writer(fileName, format);
    if (!writer.write(picture.view()))
        throw AppError(CannotWriteFile(fileName, writer.errorString()));
}

void TForm1::CopyNumbers()
{
    if (!m_numbers.isEmpty())
        QGuiApplication::clipboard()->setText(m_numbers.join(u'\n'));
}
