// Every message that the user reads, in one place: the failures that the picture layer throws,
// the headless command's usage and output problems, and what the program says when it cannot
// start its window. Code and tests both name them from here, so a text changes in one line.
#pragma once

#include <QString>

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

// n is the number of the decoder's message, as JpegErrorNumber gives it.
inline QString JpegError(int n)
{
    return QStringLiteral("JPEG error #%1").arg(n);
}

// --- The error box ---------------------------------------------------------------------------
// A failure that is not an exception of the standard library.
inline constexpr const char *kUnknownFailure = "Unknown failure.";

// --- The headless command --------------------------------------------------------------------
inline constexpr const char *kOptionsNeedRecognize =
    "--json and --output need --recognize PICTURE.";
inline constexpr const char *kOutputNeedsName = "--output needs a file name.";
inline constexpr const char *kBadMemorySize =
    "--max-memory needs a size such as 512M or 2G (K, M, G or T: powers of 1024).";

inline QString UnexpectedArgument(const QString &argument)
{
    return QStringLiteral("Unexpected argument: %1").arg(argument);
}

inline QString CannotWriteFile(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot write file %1: %2").arg(path, reason);
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
