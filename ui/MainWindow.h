// The main window, TForm1: it owns the picture store and the recognition state for the whole
// run and hands them to LoadPicture and ReadPicture. It paints the display raster at the view
// offset, draws strokes on the work raster with the left or middle button, pans the picture
// with the right button, and offers open, recognise and clear as buttons, shortcuts, a picture
// dropped on it or named on the command line.
//
// Its code lies in three files by concept, each calling only those after it: the window and
// its controls (MainWindow.cpp), the picture's steps (PictureSteps.cpp), the view
// (PictureView.cpp).
//
// Window coordinates (X, Y) map to the work-raster point (X - ox, Y - oy). A press on the
// window grabs the mouse until every button is up again (Qt's implicit grab, for every
// button), so moves and releases come here even outside the window or over a control, and
// drawing and panning always end with their release.
//
// The display raster is kept equal to the work raster wherever both have pixels; a stroke
// then copies only the block that it changed, which gives the same display raster as copying
// the whole work raster would. After anything that may change the work raster behind that
// rule (a load, a recognition pass that did not finish), the next stroke copies it whole.
//
// The learned method's labels are not written into the work raster: they are a layer that the
// window paints over the display raster (LabelLayer.h), and that the next pass replaces. The
// turns method writes its labels into the work raster, where the next pass reads them.
//
// Every change of the work raster (a stroke, a pass, a clear, a load, a paste or a new page) is
// one step of the undo history, with the caption, the numbers and the layer that go with it;
// undo and redo put them back and make the display raster a whole copy of the work raster.
#pragma once

#include "picture/PictureStore.h"
#include "recognition/Method.h"
#include "recognition/RecognitionState.h"
#include "ui/UndoHistory.h"

#include <QPoint>
#include <QWidget>

#include <functional>

class QFileDialog;
class QLineEdit;
class QPainter;
class QPlainTextEdit;
class QComboBox;
class QPushButton;
class TProgressBar;

class TForm1 : public QWidget
{
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The controls, in the order of the window's layout.
    QPushButton *Button1;     // "Open file"
    QFileDialog *OpenDialog1; // the open dialog, one filter: Pics (*.bmp *.jpg *.jpeg)
    QPlainTextEdit *Memo1;    // hidden; nothing reads or writes it
    TProgressBar *ProgressBar1;
    QPushButton *Button2; // "Опознать"
    QPushButton *Button3; // "Почистить"
    // Read-only: the numbers the last pass read, separated by spaces, from their beginning; as
    // wide as they need up to the progress bar's width, and whole in the tooltip.
    QLineEdit *NumbersLine;
    QFileDialog *SaveDialog1; // the save dialog: BMP (the default) or PNG
    // The recognition method, under the buttons: "Повороты" (turn signatures, the default) or
    // "Нейросеть" (the trained network). Ctrl+M switches; the choice is kept in QSettings.
    QComboBox *ComboBox1;

    Method method() const { return m_method; }
    void setMethod(Method method);

    // The handlers. A failure leaves them as an exception; the event overrides that call them
    // pass it to the error box.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void FormCreate();
    void FormDestroy();
    void FormPaint(QPainter &painter, const QRect &area);
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseUp(Qt::MouseButton button);
    void FormMouseMove(int x, int y);

    // Loads the file into the work raster; the caption becomes the loader's on success only.
    void LoadPicture(const QString &fileName);
    // The recognition pass over the work raster, stepping ProgressBar1; when it has finished,
    // the display raster becomes a copy of the work raster and the window is repainted.
    void RecognizeAll();

    // Opens a picture as if it had been chosen in the open dialog: load, then recognise.
    void openPicture(const QString &fileName);
    // Opens the picture once the event loop runs, so that a failure shows in the error box
    // over the window (the picture named on the command line).
    void openPictureAtStart(const QString &fileName);

    // Undo and redo one step; nothing happens while a stroke is being drawn or when there is
    // no step to undo or redo.
    void Undo();
    void Redo();
    // Makes the clipboard's picture the work raster, as a load would, and recognises it.
    void Paste();
    // Writes the picture, marks and labels included, to the file that the save dialog names, as
    // BMP or PNG; a loaded or pasted picture without its white frame, so that opening the file
    // again gives the same picture. A failure leaves everything as it was.
    void Save();
    // A white page of the start's size, as one step: the caption, numbers and labels go, and the
    // view goes back to its start.
    void NewPage();
    // Puts the numbers shown on the clipboard, one a line.
    void CopyNumbers();
    // Moves the view by the given pixels, but never so far that less than kKeepInView pixels of
    // the picture (all of it, when it is smaller) stay in the view area in the direction moved;
    // a view already beyond that is not moved further out. Or back to its start offset.
    void ScrollView(QPoint by);
    void ResetView();

    // The numbers read by the last pass (empty after a clear or a load).
    const QStringList &numbers() const { return m_numbers; }
    // The labels laid over the picture by the last learned pass (empty after any other).
    const LabelLayer &labelLayer() const { return m_layer; }
    // Whether the work raster holds a loaded or pasted picture in its white frame.
    bool isFramed() const { return m_framed; }
    const UndoHistory &undoHistory() const { return m_history; }

    // Runs the open dialog and returns the chosen file, or an empty string when cancelled.
    // Tests replace it; an empty function restores the dialog.
    using FileChooser = std::function<QString(QFileDialog &dialog)>;
    void setFileChooser(FileChooser chooser);
    // The same for the save dialog.
    void setSaveChooser(FileChooser chooser);

    QPoint viewOffset() const { return m_viewOffset; }
    bool isDrawing() const { return m_drawing; }
    bool isPanning() const { return m_panning; }
    const PictureStore &pictureStore() const { return m_store; }
    PictureStore &pictureStore() { return m_store; }
    const RecognitionState &recognitionState() const { return m_recognition; }

    // The view offset right after creation.
    static constexpr QPoint kStartViewOffset {100, 20};
    // The caption at start and on a new page.
    static constexpr const char *kCaption = "Umnoglaz";
    // The view area is the window right of and below the picture's start offset; the wheel
    // keeps this much of the picture in it.
    static constexpr int kKeepInView = 32;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // The window and its controls (MainWindow.cpp).
    void buildControls();
    void addShortcuts();
    void switchMethod();
    void fitNumbersLine();
    void quit();

    // The picture's steps (PictureSteps.cpp).
    // Runs a change of the work raster as one step of the undo history, finished or not.
    void recordStep(
        const std::function<void()> &change, UndoHistory::Kind kind = UndoHistory::Kind::Change);
    UndoHistory::Labels labels() const;
    void showLabels(const UndoHistory::Labels &labels);
    // Replaces the work raster by what load gives (the new caption) as one step.
    void replacePicture(const std::function<QString()> &load);
    // After undo or redo: the row table and the display raster follow the work raster.
    void showRestoredRaster(const UndoHistory::Labels &labels);
    // A stroke of the pen: one step from its press to its release, in work-raster points.
    void beginStroke(QPoint at);
    void continueStroke(QPoint to);
    void endStroke();
    void clearPicture();
    // After the method changed: a pass with nothing done since is taken back, and the picture
    // it read is read with the new method.
    void readAgainWithNewMethod();
    void writePicture(const QString &fileName, const QByteArray &format);

    // The view (PictureView.cpp).
    // Copies the block of the work raster that a stroke changed onto the display raster and
    // repaints what of it the window shows.
    void publishStroke(const QRect &changed);
    // Copies the whole work raster onto the display raster where both have pixels (the display
    // raster keeps its size) and repaints the window.
    void catchUpDisplay();

    PictureStore m_store;
    RecognitionState m_recognition;
    FileChooser m_chooseFile;
    FileChooser m_chooseSaveFile;
    UndoHistory m_history;
    QStringList m_numbers;
    LabelLayer m_layer;
    bool m_framed = false;
    QString m_copyKeys; // the shortcut that copies the numbers, as the numbers line names it
    Method m_method = Method::Turns; // the list's choice

    QPoint m_viewOffset;
    bool m_panning = false;
    QPoint m_lastPan;
    bool m_drawing = false;
    QPoint m_lastStroke;
    // True while the display raster equals the work raster wherever both have pixels.
    bool m_displayMatchesWork = false;
};
