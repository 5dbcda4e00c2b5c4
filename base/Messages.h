// Every message that the user reads, in one place: the failures that the picture layer throws,
// the headless command's usage and output problems, and what the program says when it cannot
// start its window. Code and tests both name them from here, so a text changes in one line.
#pragma once

#include <QString>
#include <QStringList>

// --- Failures of loading, rasters and drawing ---------------------------------------------
inline constexpr const char *kOutOfResources = "Out of system resources";
inline constexpr const char *kScanLineOutOfRange = "Scan line index out of range";
inline constexpr const char *kStreamReadError = "Stream read error";
inline constexpr const char *kBitmapNotValid = "Bitmap image is not valid";
inline constexpr const char *kTextNeedsGuiApplication =
    "Drawing text needs a running QGuiApplication";
inline constexpr const char *kLabelFontMissing =
    "The font DejaVu Sans is not installed (Debian package fonts-dejavu-core)";

inline QString CannotOpenFile(const QString &path)
{
    return QStringLiteral("Cannot open file ") + path;
}

inline constexpr const char *kClipboardHasNoPicture = "The clipboard holds no picture";
inline constexpr const char *kClipboardCaption = "(clipboard)";

// n is the number of the decoder's message, as JpegErrorNumber gives it.
inline QString JpegError(int n)
{
    return QStringLiteral("JPEG error #%1").arg(n);
}

// --- The trained digit network ------------------------------------------------------------
inline constexpr const char *kModelLoadFailure = "The recognition model cannot be loaded: ";

inline QString ModelCannotBeLoaded(const QString &reason)
{
    return QLatin1String(kModelLoadFailure) + reason;
}

// --- The error box ---------------------------------------------------------------------------
// A failure that is not an exception of the standard library.
inline constexpr const char *kUnknownFailure = "Unknown failure.";

// --- The headless command --------------------------------------------------------------------
inline constexpr const char *kOptionsNeedRecognize =
    "Options other than --help and --version need --recognize PICTURE.";
inline constexpr const char *kOutputNeedsName = "--output needs a file name.";
inline constexpr const char *kUnknownMethod = "--method takes turns or learned.";
inline constexpr const char *kUnknownInkRule = "--ink takes fixed or auto.";
inline constexpr const char *kBadMinConfidence = "--min-confidence takes a number from 0 to 1.";
inline constexpr const char *kMinConfidenceNeedsLearned =
    "--min-confidence needs --method learned.";
inline constexpr const char *kOutputTakesOnePicture =
    "--output writes one picture; use --output-dir DIR for several.";
inline constexpr const char *kOutputOrOutputDir = "--output and --output-dir exclude each other.";
// The second line of every usage error.
inline constexpr const char *kTryHelp = "Try 'umnoglaz --help'.";

// The folders named, when none of them holds a picture.
inline QString NoPicturesFoundIn(const QStringList &folders)
{
    return QStringLiteral("No .bmp, .jpg or .jpeg picture found in %1")
        .arg(folders.join(QStringLiteral(", ")));
}

inline QString RefusingToOverwriteInput(const QString &path)
{
    return QStringLiteral("Refusing to overwrite the input picture %1").arg(path);
}

// Two pictures whose annotated copies would have the same name in the output folder.
inline QString RefusingToWriteTwice(
    const QString &output, const QString &first, const QString &second)
{
    return QStringLiteral("Refusing to write %1 twice: %2 and %3 both give that name")
        .arg(output, first, second);
}

inline QString BadThreadCount(const QString &value, int most)
{
    return QStringLiteral("--threads needs a whole number from 1 to %1, not \"%2\".")
        .arg(most)
        .arg(value);
}
inline constexpr const char *kBadMemorySize =
    "--max-memory needs a size such as 512M or 2G (K, M, G or T: powers of 1024).";

inline QString CannotWriteFile(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot write file %1: %2").arg(path, reason);
}

// The report could not be written where standard output goes (a full disk, for one).
inline QString CannotWriteReport(const QString &reason)
{
    return QStringLiteral("Cannot write the report to standard output: %1").arg(reason);
}

// --- Program start -----------------------------------------------------------------------------
inline constexpr const char *kWindowUsage =
    "usage: umnoglaz [PICTURE]   (umnoglaz --help for the headless command)\n";
inline constexpr const char *kNoDisplay =
    "umnoglaz: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
    "umnoglaz --recognize PICTURE works without one\n";

// displayName: the DISPLAY or WAYLAND_DISPLAY value, or `of the platform "NAME"`.
inline QByteArray CannotOpenDisplay(const QByteArray &displayName)
{
    return "umnoglaz: cannot open the window: the display " + displayName +
        " cannot be opened; umnoglaz --recognize PICTURE works without one\n";
}
