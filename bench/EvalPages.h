// The evaluation pages: for each material a folder of pages, each page a picture and its truth
// (TruthFile.h). Everything is made from fixed seeds, so the same sources give the same pages.
//
//   material        numbers from                    look
//   sevenseg        seven-segment (DSEG7 Modern     clean, BMP
//                   and the SegmentStyle digits)
//   lcd             seven-segment                   photographed LCD, JPEG
//   led             seven-segment                   photographed LED display, JPEG
//   hand-touching   handwriting, overlapping 0-7 px clean, BMP
//   type-touching   typeset, pushed into contact    clean, BMP
//   hand-gaps       handwriting, 5-18 px apart      clean, BMP
//   type-gaps       typeset, the font's spacing     clean, BMP
//   shadow          pages 1-5 of hand-gaps and of   photographed under a shadow, JPEG
//                   type-gaps, the same numbers
//   pencil          the same                        pencil, JPEG
//   clean           the same                        clean, BMP (the twins of the two above)
//   dark-screen     typeset and handwriting         dark-mode screenshot, BMP
//   noise           nothing: random dots, 8 and 30 % dark, BMP
#pragma once

#include "bench/EvalSources.h"
#include "bench/PageLayout.h"

#include <QImage>
#include <QString>

#include <vector>

struct EvalPage
{
    QString name; // file name without extension
    QImage image;
    int jpegQuality = 0; // 0: written as BMP
    std::vector<TruthNumber> truth;
};

inline constexpr int kPagesPerMaterial = 10;
inline constexpr int kNumbersPerPage = 30;

// The material folders, in the order the reports list them.
std::vector<QString> MaterialNames();

// One page of a material (0 <= page < kPagesPerMaterial; noise has 2).
int PageCount(const QString &material);
EvalPage MakeEvalPage(const QString &material, int page, const EvalSources &sources);

// Writes NAME.bmp or NAME.jpg and NAME.truth into the folder. Throws std::runtime_error.
void WriteEvalPage(const QString &folder, const EvalPage &page);
