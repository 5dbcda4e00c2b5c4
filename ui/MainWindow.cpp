#include "MainWindow.h"

#include "Application.h"
#include "LoadPicture.h"
#include "ProgressBar.h"
#include "ReadPicture.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTimer>

namespace {

// The window's layout at 96 pixels per inch: positions in the client area, sizes in pixels.
constexpr QPoint kWindowPosition {129, 59};
constexpr QSize kWindowSize {1153, 622};
constexpr QRect kButton1Geometry {8, 20, 75, 25};
constexpr QRect kMemo1Geometry {8, 152, 75, 413};
constexpr QRect kProgressBar1Geometry {4, 4, 721, 8};
constexpr QRect kButton2Geometry {8, 56, 75, 25};
constexpr QRect kButton3Geometry {8, 92, 75, 25};
// Under the buttons, at their x and width and their spacing.
constexpr QRect kComboBox1Geometry {8, 128, 75, 25};
// Where the chosen method is kept between runs, by its name.
constexpr const char *kMethodKey = "recognition/method";
// The methods in the order of the list.
constexpr Method kMethods[] = {Method::Turns, Method::Learned};
constexpr int kWindowFontPixels = 11;
constexpr int kMemoFontPixels = 3;
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

QString runOpenDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

QRect rasterRect(const TBitmap &raster)
{
    return QRect(0, 0, raster.width(), raster.height());
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

TForm1::TForm1(QWidget *parent)
    : QWidget(parent)
{
    buildControls();
    addShortcuts();
    buildEditControls();
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::buildControls()
{
    setWindowTitle(QStringLiteral("Umnoglaz"));
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
    ComboBox1->setGeometry(kComboBox1Geometry);
    ComboBox1->addItem(QStringLiteral("Повороты"));
    ComboBox1->addItem(QStringLiteral("Нейросеть"));
    ComboBox1->setToolTip(QKeySequence(Qt::CTRL | Qt::Key_M).toString(QKeySequence::NativeText));
    ComboBox1->setFocusPolicy(Qt::StrongFocus);
    const QString saved = QSettings().value(QLatin1String(kMethodKey)).toString();
    setMethod(ParseMethod(saved.toStdString()).value_or(Method::Turns));
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] {
        const std::string_view name = MethodName(method());
        QSettings().setValue(
            QLatin1String(kMethodKey), QString::fromLatin1(name.data(), name.size()));
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

    connect(
        Button1, &QPushButton::clicked, this, [this] { RunHandler([this] { Button1Click(); }); });
    connect(
        Button2, &QPushButton::clicked, this, [this] { RunHandler([this] { Button2Click(); }); });
    connect(
        Button3, &QPushButton::clicked, this, [this] { RunHandler([this] { Button3Click(); }); });
}

void TForm1::addShortcuts()
{
    struct Binding
    {
        QKeySequence keys;
        QPushButton *button;
        void (TForm1::*handler)();
    };
    const Binding bindings[] = {
        {QKeySequence::Open, Button1, &TForm1::Button1Click},
        {QKeySequence(Qt::CTRL | Qt::Key_R), Button2, &TForm1::Button2Click},
        {QKeySequence(Qt::CTRL | Qt::Key_L), Button3, &TForm1::Button3Click},
    };
    auto *switchMethod = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), this);
    connect(switchMethod, &QShortcut::activated, this,
        [this] { setMethod(method() == Method::Turns ? Method::Learned : Method::Turns); });
    for (const Binding &binding : bindings) {
        auto *shortcut = new QShortcut(binding.keys, this);
        const auto handler = binding.handler;
        connect(shortcut, &QShortcut::activated, this,
            [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
        binding.button->setToolTip(binding.keys.toString(QKeySequence::NativeText));
    }
    // The platform's quit key closes the window, and with it the program. Platforms without
    // one (Qt's offscreen platform, Windows) get Ctrl+Q, what X11 desktops bind it to.
    QKeySequence quit(QKeySequence::Quit);
    if (quit.isEmpty())
        quit = QKeySequence(Qt::CTRL | Qt::Key_Q);
    connect(new QShortcut(quit, this), &QShortcut::activated, this, &QWidget::close);
}

// --- Creation and painting --------------------------------------------------------------

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

void TForm1::paintEvent(QPaintEvent *event)
{
    RunHandler([&] {
        QPainter painter(this);
        FormPaint(painter, event->rect());
    });
}

void TForm1::FormPaint(QPainter &painter, const QRect &area)
{
    // Only the part of the display raster inside the area being painted is drawn, so that the
    // cost follows the window's size, not the picture's. Qt's backing store double-buffers the
    // paint: it goes to an off-screen picture filled with the background first, and reaches the
    // screen in one piece.
    const QImage picture = m_store.displayRaster.view();
    if (picture.isNull())
        return;
    const QRect target = QRect(m_viewOffset, picture.size()).intersected(area);
    if (target.isEmpty())
        return;
    painter.drawImage(target.topLeft(), picture, target.translated(-m_viewOffset));
}

// --- Mouse ------------------------------------------------------------------------------

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
    case Qt::MiddleButton: {
        if (!m_drawing)
            m_history.begin(m_store.workRaster, labels());
        m_drawing = true;
        m_lastStroke = QPoint(x, y) - m_viewOffset;
        TCanvas &canvas = m_store.workRaster.canvas();
        canvas.Pen.Width = kStrokeWidth;
        canvas.Pen.Color = clBlack;
        canvas.moveTo(m_lastStroke.x(), m_lastStroke.y());
        break;
    }
    default:
        break;
    }
}

void TForm1::FormMouseUp(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        m_panning = false;
    if (m_drawing)
        m_history.commit(m_store.workRaster, labels());
    m_drawing = false;
}

void TForm1::FormMouseMove(int x, int y)
{
    // Panning first, so that a stroke drawn in the same move lands in the moved picture.
    if (m_panning) {
        m_viewOffset += QPoint(x, y) - m_lastPan;
        m_lastPan = QPoint(x, y);
        repaint();
    }
    if (m_drawing) {
        const QPoint from = m_lastStroke;
        const QPoint to = QPoint(x, y) - m_viewOffset;
        TCanvas &canvas = m_store.workRaster.canvas();
        canvas.moveTo(from.x(), from.y());
        canvas.lineTo(to.x(), to.y());
        m_lastStroke = to;
        // The pen reaches half its width beyond the segment; a whole width leaves a margin.
        const int reach = canvas.Pen.Width;
        publishStroke(QRect(from, to).normalized().adjusted(-reach, -reach, reach, reach));
    }
}

void TForm1::publishStroke(const QRect &changed)
{
    TBitmap &display = m_store.displayRaster;
    const TBitmap &work = m_store.workRaster;
    if (!m_displayMatchesWork) {
        catchUpDisplay();
        return;
    }
    const QRect block = changed.intersected(rasterRect(display)).intersected(rasterRect(work));
    if (block.isEmpty())
        return;
    CopyRect(
        display, block.x(), block.y(), block.width(), block.height(), work, block.x(), block.y());
    repaint(block.translated(m_viewOffset));
}

// --- Buttons ----------------------------------------------------------------------------

void TForm1::Button1Click()
{
    const QString fileName =
        m_chooseFile ? m_chooseFile(*OpenDialog1) : runOpenDialog(*OpenDialog1);
    if (fileName.isEmpty())
        return;
    openPicture(fileName);
}

void TForm1::Button2Click()
{
    RecognizeAll();
}

Method TForm1::method() const
{
    return kMethods[ComboBox1->currentIndex() == 1];
}

void TForm1::setMethod(Method method)
{
    ComboBox1->setCurrentIndex(method == kMethods[1] ? 1 : 0);
}

void TForm1::Button3Click()
{
    recordStep([this] {
        TCanvas &canvas = m_store.workRaster.canvas();
        canvas.fillRect(canvas.clipRect());
        showLabels({windowTitle(), {}});
    });
    catchUpDisplay();
}

void TForm1::catchUpDisplay()
{
    TBitmap &display = m_store.displayRaster;
    CopyRect(display, 0, 0, display.width(), display.height(), m_store.workRaster, 0, 0);
    m_displayMatchesWork = true;
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
        showLabels({literalTitle(caption), {}});
    });
}

void TForm1::RecognizeAll()
{
    // Labels go into the work raster as the pass goes; once it has finished, the display
    // raster becomes a copy of the work raster and is shown. A pass that fails leaves the
    // display raster behind, so the next stroke copies the work raster whole.
    m_displayMatchesWork = false;
    const WaitCursor busy;
    BarProgress progress(*ProgressBar1);
    recordStep([&] {
        // The learned method's model loads at its first pass; a failure shows in the error box
        // before anything is drawn, and the turns method goes on working.
        ReadingOptions options;
        options.method = method();
        const Reading reading =
            ReadPicture(m_store.workRaster, m_store.rowTable, m_recognition, progress, options);
        QStringList texts;
        for (const Number &number : reading.numbers)
            texts.append(QString::fromStdString(number.text));
        showLabels({windowTitle(), texts});
    });
    m_store.displayRaster.copyFrom(m_store.workRaster);
    m_displayMatchesWork = true;
    repaint();
}

// --- Opening pictures -------------------------------------------------------------------

void TForm1::openPicture(const QString &fileName)
{
    LoadPicture(fileName);
    RecognizeAll();
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
