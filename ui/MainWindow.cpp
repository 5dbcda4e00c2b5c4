// The main window, TForm1, as the user meets it: its controls and their layout, the one table
// of shortcuts, the mouse, the wheel, dropped files and the dialogs. What a control asks for
// is a step of the picture (PictureSteps.cpp) or a move of the view (PictureView.cpp); this
// file calls them, and they never call back here.
#include "ui/MainWindow.h"

#include "ui/Application.h"
#include "ui/ProgressBar.h"

#include <algorithm>

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTextDocument>
#include <QTimer>
#include <QWheelEvent>

namespace {

// The window's layout at 96 pixels per inch: positions in the client area, sizes in pixels.
constexpr QPoint kWindowPosition {129, 59};
constexpr QSize kWindowSize {1153, 622};
constexpr QRect kButton1Geometry {8, 20, 75, 25};
constexpr QRect kMemo1Geometry {8, 152, 75, 413};
constexpr QRect kProgressBar1Geometry {4, 4, 721, 8};
constexpr QRect kButton2Geometry {8, 56, 75, 25};
constexpr QRect kButton3Geometry {8, 92, 75, 25};
// Under the buttons, at their x and spacing; at least as wide as they are, wider when its
// longest item needs it.
constexpr QRect kComboBox1Geometry {8, 128, 75, 25};
// Under the list, at least this wide; wider when its text needs it, up to the progress bar's
// right edge.
constexpr QRect kNumbersLineGeometry {8, 160, 84, 21};
// The progress bar is the widest control, the numbers line the lowest.
constexpr QSize kMinimumSize {729, 189};
// Where the chosen method is kept between runs, by its name.
constexpr const char *kMethodKey = "recognition/method";
// The methods in the order of the list.
constexpr Method kMethods[] = {Method::Turns, Method::Learned};
constexpr int kWindowFontPixels = 11;
constexpr int kMemoFontPixels = 3;
// A wheel turns in steps of 120; one step moves the view 60 pixels.
constexpr int kWheelDivisor = 2;

QString shortcutText(const QKeySequence &keys)
{
    return keys.toString(QKeySequence::NativeText);
}

// Runs a file dialog and returns the chosen file, or an empty string when cancelled.
QString runDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

// The save dialog's filters, the default first: the program opens BMP again, not PNG.
const QString kSaveAsBmp = QStringLiteral("BMP (*.bmp)");
const QString kSaveAsPng = QStringLiteral("PNG, which this program cannot open (*.png)");

// The format to write: the file's own extension when it is .png or .bmp, otherwise the one
// that the dialog's chosen filter names, added to the name.
QByteArray saveFormat(QString &fileName, const QFileDialog &dialog)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp"))
        return suffix.toLatin1();
    const QByteArray format = dialog.selectedNameFilter() == kSaveAsPng ? "png" : "bmp";
    fileName += u'.' + QString::fromLatin1(format);
    return format;
}

// The first local file of a drag, or an empty string.
QString droppedFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return QString();
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    return urls.first().toLocalFile();
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QWidget(parent)
{
    buildControls();
    addShortcuts();
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::buildControls()
{
    setWindowTitle(QString::fromLatin1(kCaption));
    move(kWindowPosition);
    resize(kWindowSize);
    QFont windowFont(QStringLiteral("DejaVu Sans"));
    windowFont.setPixelSize(kWindowFontPixels);
    setFont(windowFont);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setAcceptDrops(true);

    Button1 = new QPushButton(QStringLiteral("Open file"), this);
    Button1->setGeometry(kButton1Geometry);

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setNameFilter(QStringLiteral("Pics (*.bmp *.jpg *.jpeg)"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(kMemo1Geometry);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont = Memo1->font();
    memoFont.setPixelSize(kMemoFontPixels);
    Memo1->setFont(memoFont);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->hide();

    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->setGeometry(kProgressBar1Geometry);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setStep(1);

    Button2 = new QPushButton(QStringLiteral("Опознать"), this);
    Button2->setGeometry(kButton2Geometry);
    Button3 = new QPushButton(QStringLiteral("Почистить"), this);
    Button3->setGeometry(kButton3Geometry);
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItem(QStringLiteral("Повороты"));
    ComboBox1->addItem(QStringLiteral("Нейросеть"));
    ComboBox1->setGeometry(QRect(kComboBox1Geometry.topLeft(),
        QSize(std::max(kComboBox1Geometry.width(), ComboBox1->sizeHint().width()),
            kComboBox1Geometry.height())));
    ComboBox1->setFocusPolicy(Qt::StrongFocus);
    const QString saved = QSettings().value(QLatin1String(kMethodKey)).toString();
    m_method = ParseMethod(saved.toStdString()).value_or(Method::Turns);
    setMethod(m_method);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_method = kMethods[index == 1];
        const std::string_view name = MethodName(m_method);
        QSettings().setValue(
            QLatin1String(kMethodKey), QString::fromLatin1(name.data(), name.size()));
        RunHandler([this] { readAgainWithNewMethod(); });
    });

    // Only the buttons take focus from the keyboard, in this order.
    setFocusPolicy(Qt::NoFocus);
    for (QPushButton *button : {Button1, Button2, Button3}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAutoDefault(false);
    }
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, ComboBox1);

    NumbersLine = new QLineEdit(this);
    NumbersLine->setGeometry(kNumbersLineGeometry);
    NumbersLine->setReadOnly(true);
    // Keyboard focus stays with the buttons, so that Home and the copy shortcut reach the window.
    NumbersLine->setFocusPolicy(Qt::NoFocus);
    NumbersLine->setPlaceholderText(QStringLiteral("numbers"));
    connect(NumbersLine, &QLineEdit::textChanged, this, [this] { fitNumbersLine(); });

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilters({kSaveAsBmp, kSaveAsPng});
    SaveDialog1->selectNameFilter(kSaveAsBmp);
    SaveDialog1->setDefaultSuffix(QStringLiteral("bmp"));

    setMinimumSize(kMinimumSize);

    connect(
        Button1, &QPushButton::clicked, this, [this] { RunHandler([this] { Button1Click(); }); });
    connect(
        Button2, &QPushButton::clicked, this, [this] { RunHandler([this] { Button2Click(); }); });
    connect(
        Button3, &QPushButton::clicked, this, [this] { RunHandler([this] { Button3Click(); }); });
}

void TForm1::addShortcuts()
{
    // The platform's quit key closes the window, and with it the program. Platforms without
    // one (Qt's offscreen platform, Windows) get Ctrl+Q, what X11 desktops bind it to.
    QKeySequence quit(QKeySequence::Quit);
    if (quit.isEmpty())
        quit = QKeySequence(Qt::CTRL | Qt::Key_Q);
    const QKeySequence open(QKeySequence::Open), recognise(Qt::CTRL | Qt::Key_R),
        clear(Qt::CTRL | Qt::Key_L), switchMethod(Qt::CTRL | Qt::Key_M), undo(Qt::CTRL | Qt::Key_Z),
        redo(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), paste(Qt::CTRL | Qt::Key_V),
        save(Qt::CTRL | Qt::Key_S), copy(Qt::CTRL | Qt::SHIFT | Qt::Key_C), home(Qt::Key_Home),
        newPage(QKeySequence::New);
    // Every shortcut of the window; those of a button are named in its tooltip.
    struct Binding
    {
        QKeySequence keys;
        void (TForm1::*handler)();
        QPushButton *button;
    };
    const Binding bindings[] = {
        {open, &TForm1::Button1Click, Button1},
        {recognise, &TForm1::Button2Click, Button2},
        {clear, &TForm1::Button3Click, Button3},
        {switchMethod, &TForm1::switchMethod, nullptr},
        {undo, &TForm1::Undo, nullptr},
        {redo, &TForm1::Redo, nullptr},
        {paste, &TForm1::Paste, nullptr},
        {save, &TForm1::Save, nullptr},
        {newPage, &TForm1::NewPage, nullptr},
        {copy, &TForm1::CopyNumbers, nullptr},
        {home, &TForm1::ResetView, nullptr},
        {quit, &TForm1::quit, nullptr},
    };
    for (const Binding &binding : bindings) {
        auto *shortcut = new QShortcut(binding.keys, this);
        const auto handler = binding.handler;
        connect(shortcut, &QShortcut::activated, this,
            [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
        if (binding.button)
            binding.button->setToolTip(shortcutText(binding.keys));
    }
    ComboBox1->setToolTip(shortcutText(switchMethod));
    m_copyKeys = shortcutText(copy);
    fitNumbersLine();
    // The drawing surface is the control of the shortcuts that act on the picture.
    setToolTip(QStringLiteral("Draw: left or middle button. Move the picture: right button, "
                              "wheel, Shift+wheel; %1: back to the start.\n"
                              "%2: undo, %3: redo, %4: paste a picture, %5: save as BMP or "
                              "PNG, %6: a new page.")
                   .arg(shortcutText(home), shortcutText(undo), shortcutText(redo),
                       shortcutText(paste), shortcutText(save), shortcutText(newPage)));
}

void TForm1::fitNumbersLine()
{
    // The line's size hint is made for 17 'x's; what it adds to them is its frame and margins.
    const QFontMetrics metrics = NumbersLine->fontMetrics();
    const QString text =
        NumbersLine->text().isEmpty() ? NumbersLine->placeholderText() : NumbersLine->text();
    const int frame = NumbersLine->sizeHint().width() - 17 * metrics.horizontalAdvance(u'x');
    // One pixel more for the cursor that a line edit keeps room for after the text.
    const int wanted = frame + metrics.horizontalAdvance(text) + 1;
    const int widest = ProgressBar1->geometry().right() + 1 - kNumbersLineGeometry.x();
    NumbersLine->setGeometry(QRect(kNumbersLineGeometry.topLeft(),
        QSize(std::clamp(wanted, kNumbersLineGeometry.width(), widest),
            kNumbersLineGeometry.height())));
    NumbersLine->setCursorPosition(0);
    const QString usage =
        QStringLiteral("The numbers read, line by line; %1 copies them, one per line")
            .arg(m_copyKeys);
    // As rich text, a long list wraps in the tooltip instead of running off the screen.
    NumbersLine->setToolTip(NumbersLine->text().isEmpty()
            ? usage
            : Qt::convertFromPlainText(NumbersLine->text() + u'\n' + usage, Qt::WhiteSpaceNormal));
}

void TForm1::FormCreate()
{
    CreatePictureStore(m_store);
    m_viewOffset = kStartViewOffset;
    m_displayMatchesWork = true;
}

void TForm1::FormDestroy()
{
    m_store.workRaster.free();
    m_store.displayRaster.free();
}

// --- The mouse and the wheel ------------------------------------------------------------

void TForm1::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    RunHandler([&] { FormMouseDown(event->button(), at.x(), at.y()); });
    event->accept();
}

void TForm1::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click counts as a press of the same button.
    mousePressEvent(event);
}

void TForm1::mouseReleaseEvent(QMouseEvent *event)
{
    RunHandler([&] { FormMouseUp(event->button()); });
    event->accept();
}

void TForm1::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    RunHandler([&] { FormMouseMove(at.x(), at.y()); });
    event->accept();
}

void TForm1::FormMouseDown(Qt::MouseButton button, int x, int y)
{
    switch (button) {
    case Qt::RightButton:
        m_panning = true;
        m_lastPan = QPoint(x, y);
        break;
    case Qt::LeftButton:
    case Qt::MiddleButton:
        beginStroke(QPoint(x, y) - m_viewOffset);
        break;
    default:
        break;
    }
}

void TForm1::FormMouseUp(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        m_panning = false;
    endStroke();
}

void TForm1::FormMouseMove(int x, int y)
{
    // Panning first, so that a stroke drawn in the same move lands in the moved picture.
    if (m_panning) {
        m_viewOffset += QPoint(x, y) - m_lastPan;
        m_lastPan = QPoint(x, y);
        repaint();
    }
    if (m_drawing)
        continueStroke(QPoint(x, y) - m_viewOffset);
}

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

// --- Buttons, the method list, files ---------------------------------------------------

void TForm1::Button1Click()
{
    const QString fileName = m_chooseFile ? m_chooseFile(*OpenDialog1) : runDialog(*OpenDialog1);
    if (fileName.isEmpty())
        return;
    openPicture(fileName);
}

void TForm1::Button2Click()
{
    RecognizeAll();
}

void TForm1::Button3Click()
{
    clearPicture();
}

void TForm1::setMethod(Method method)
{
    ComboBox1->setCurrentIndex(method == kMethods[1] ? 1 : 0);
}

void TForm1::switchMethod()
{
    setMethod(method() == Method::Turns ? Method::Learned : Method::Turns);
}

void TForm1::quit()
{
    close();
}

void TForm1::Save()
{
    QString fileName = m_chooseSaveFile ? m_chooseSaveFile(*SaveDialog1) : runDialog(*SaveDialog1);
    if (fileName.isEmpty())
        return;
    const QByteArray format = saveFormat(fileName, *SaveDialog1);
    writePicture(fileName, format);
}

void TForm1::openPictureAtStart(const QString &fileName)
{
    // The dialog gives full paths; a path from the command line becomes one the same way.
    const QString path = QFileInfo(fileName).absoluteFilePath();
    QTimer::singleShot(0, this, [this, path] { RunHandler([&] { openPicture(path); }); });
}

void TForm1::setFileChooser(FileChooser chooser)
{
    m_chooseFile = std::move(chooser);
}

void TForm1::setSaveChooser(FileChooser chooser)
{
    m_chooseSaveFile = std::move(chooser);
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    RunHandler([&] {
        if (!droppedFile(event->mimeData()).isEmpty())
            event->acceptProposedAction();
    });
}

void TForm1::dropEvent(QDropEvent *event)
{
    const QString fileName = droppedFile(event->mimeData());
    if (fileName.isEmpty())
        return;
    event->acceptProposedAction();
    // Loaded once the drop has returned, so that the program the file came from does not wait
    // for the whole pass.
    QTimer::singleShot(0, this, [this, fileName] { RunHandler([&] { openPicture(fileName); }); });
}
