// The main window as a desktop program: the undo history, paste, save, copying the numbers
// read, moving the view with the wheel and Home, and the shortcuts without a button of their
// own, each named in a tooltip.
#include "MainWindow.h"

#include "AppError.h"
#include "Application.h"
#include "Messages.h"
#include "PictureFromImage.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLineEdit>
#include <QShortcut>
#include <QWheelEvent>

namespace {

// Under the three buttons, leaving room for one more control between them; left of the
// picture at its start offset.
constexpr QRect kNumbersLineGeometry {8, 160, 84, 21};
// The progress bar is the widest control, the numbers line the lowest.
constexpr QSize kMinimumSize {729, 189};
// A wheel turns in steps of 120; one step moves the view 60 pixels.
constexpr int kWheelDivisor = 2;

QString shortcutText(const QKeySequence &keys)
{
    return keys.toString(QKeySequence::NativeText);
}

QString runSaveDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

// The format to write: the file's own extension when it is .png or .bmp, otherwise the one
// that the dialog's chosen filter names, added to the name.
QByteArray saveFormat(QString &fileName, const QFileDialog &dialog)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp"))
        return suffix.toLatin1();
    const QByteArray format =
        dialog.selectedNameFilter().startsWith(QLatin1String("BMP")) ? "bmp" : "png";
    fileName += u'.' + QString::fromLatin1(format);
    return format;
}

} // namespace

void TForm1::buildEditControls()
{
    NumbersLine = new QLineEdit(this);
    NumbersLine->setGeometry(kNumbersLineGeometry);
    NumbersLine->setReadOnly(true);
    // Keyboard focus stays with the buttons, so that Home and the copy shortcut reach the window.
    NumbersLine->setFocusPolicy(Qt::NoFocus);
    NumbersLine->setPlaceholderText(QStringLiteral("numbers"));

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilters({QStringLiteral("PNG (*.png)"), QStringLiteral("BMP (*.bmp)")});
    SaveDialog1->setDefaultSuffix(QStringLiteral("png"));

    setMinimumSize(kMinimumSize);

    struct Binding
    {
        QKeySequence keys;
        void (TForm1::*handler)();
    };
    const QKeySequence undo(Qt::CTRL | Qt::Key_Z), redo(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
        paste(Qt::CTRL | Qt::Key_V), save(Qt::CTRL | Qt::Key_S),
        copy(Qt::CTRL | Qt::SHIFT | Qt::Key_C), home(Qt::Key_Home);
    const Binding bindings[] = {
        {undo, &TForm1::Undo},
        {redo, &TForm1::Redo},
        {paste, &TForm1::Paste},
        {save, &TForm1::Save},
        {copy, &TForm1::CopyNumbers},
        {home, &TForm1::ResetView},
    };
    for (const Binding &binding : bindings) {
        auto *shortcut = new QShortcut(binding.keys, this);
        const auto handler = binding.handler;
        connect(shortcut, &QShortcut::activated, this,
            [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    }

    NumbersLine->setToolTip(
        QStringLiteral("The numbers read, line by line; %1 copies them, one per line")
            .arg(shortcutText(copy)));
    // The drawing surface is the control of the shortcuts that act on the picture.
    setToolTip(QStringLiteral("Draw: left or middle button. Move the picture: right button, "
                              "wheel, Shift+wheel; %1: back to the start.\n"
                              "%2: undo, %3: redo, %4: paste a picture, %5: save as PNG or BMP.")
                   .arg(shortcutText(home), shortcutText(undo), shortcutText(redo),
                       shortcutText(paste), shortcutText(save)));
}

// --- The undo history -------------------------------------------------------------------

void TForm1::recordStep(const std::function<void()> &change)
{
    m_history.begin(m_store.workRaster, labels());
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
    return {windowTitle(), m_numbers};
}

void TForm1::showLabels(const UndoHistory::Labels &labels)
{
    // The caption is kept as the window holds it, "[*]" already doubled.
    setWindowTitle(labels.caption);
    m_numbers = labels.numbers;
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

void TForm1::Save()
{
    QString fileName =
        m_chooseSaveFile ? m_chooseSaveFile(*SaveDialog1) : runSaveDialog(*SaveDialog1);
    if (fileName.isEmpty())
        return;
    const QByteArray format = saveFormat(fileName, *SaveDialog1);
    QImageWriter writer(fileName, format);
    if (!writer.write(m_store.workRaster.view()))
        throw AppError(CannotWriteFile(fileName, writer.errorString()));
}

void TForm1::setSaveChooser(FileChooser chooser)
{
    m_chooseSaveFile = std::move(chooser);
}

void TForm1::CopyNumbers()
{
    if (!m_numbers.isEmpty())
        QGuiApplication::clipboard()->setText(m_numbers.join(u'\n'));
}

// --- Moving the view --------------------------------------------------------------------

void TForm1::wheelEvent(QWheelEvent *event)
{
    QPoint delta = event->pixelDelta();
    if (delta.isNull())
        delta = event->angleDelta() / kWheelDivisor;
    // Shift turns a plain wheel sideways.
    if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPoint(delta.y(), 0);
    RunHandler([&] { ScrollView(delta); });
    event->accept();
}

void TForm1::ScrollView(QPoint by)
{
    if (by.isNull())
        return;
    m_viewOffset += by;
    repaint();
}

void TForm1::ResetView()
{
    if (m_viewOffset == kStartViewOffset)
        return;
    m_viewOffset = kStartViewOffset;
    repaint();
}
