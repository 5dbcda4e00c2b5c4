// The evaluation pages: for each material a folder of pages, each page a picture and its truth
// (TruthFile.h). Everything is made from fixed seeds, so the same sources give the same pages.
// The validation pages are made by the same makers from training material (TrainingSources.h)
// with other seeds: the same materials, layouts and looks, and no digit, face or page in common.
//
//   material        numbers from                    look
//   sevenseg        seven-segment (faces and the    clean, BMP
//                   sources' polygon style)
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

#include "bench/PageLayout.h"
#include "bench/PageSources.h"

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

inline constexpr int kNumbersPerPage = 30;

// Which set of pages: how many pages a material has, and the seed that sets every seed of its
// pages apart from the other set's (the noise pages' too). The materials shown twice (shadow,
// pencil, clean) show the first half of hand-gaps' pages and then the first half of type-gaps'.
struct PageSet
{
    int pagesPerMaterial;
    unsigned seed;
};
inline constexpr PageSet kEvaluationPages {10, 0};
inline constexpr PageSet kValidationPages {6, 1};

// The material folders, in the order the reports list them.
std::vector<QString> MaterialNames();

// One page of a material (0 <= page < PageCount; noise has 2), its digits drawn from the
// sources that belong to the set: LoadEvalSources for kEvaluationPages, LoadTrainingSources
// for kValidationPages.
int PageCount(const QString &material, const PageSet &set);
EvalPage MakeEvalPage(
    const QString &material, int page, const PageSet &set, const PageSources &sources);

// Writes NAME.bmp or NAME.jpg and NAME.truth into the folder. Throws std::runtime_error.
void WriteEvalPage(const QString &folder, const EvalPage &page);
