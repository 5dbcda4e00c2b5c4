// The ink step: which pixels of the work raster are ink, decided before labelling.
//
// Two rules. The fixed rule is the program's own: a pixel is dark when its red byte is below 128,
// and labelling and tracing read that from the raster as it is. The auto rule looks at the
// picture first, so that a camera's or a screen's picture reads as clean print does:
//
//   - polarity, for the page: ink darker than its background (paper, a shadowed page, pencil)
//     or lighter (a dark-mode screen, a lit display), from where the page's middle tone lies
//     between its darkest and lightest tones; and per area where a page has both kinds, such
//     as a dark panel with light digits on a white page, each area in its own;
//   - tone: dark ink is the pixel's darkest channel, light ink its lightest, so that ink of any
//     colour (blue ballpoint, a red or green display) stands apart from a grey or white
//     background, not the red channel alone;
//   - the local background, on a grid of cells: each cell's lightest background tone, closed
//     over a few cells so that strokes narrower than the window vanish while a shadow's slope
//     is kept, and the darkest ink near the cell;
//   - the threshold, per cell, between the two; nothing is ink where they lie close together
//     (an even page, a gradient, a bare shadow's edge). Where the fixed rule separates them well
//     (black ink on light paper) the threshold is the fixed rule's, so a clean page keeps its
//     regions pixel for pixel. Between cell centres the threshold is interpolated.
//
// The auto rule is handed to labelling through the work raster itself: InkInRaster writes, for
// the length of the pass, red and green bytes that say ink (0, 0) or background (255, 254), and
// puts the picture's own bytes back afterwards, keeping the walk's green marks on ink and any
// label drawn meanwhile. Everything after labelling is unchanged by the rule; only the pixels it
// reads differ.
#pragma once

#include "base/MemoryBudget.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class RowTable;

enum class InkRule {
    Fixed, // a red byte below 128, as the raster is
    Auto,  // local contrast, either polarity, any colour
};

// "fixed" or "auto".
std::string_view InkRuleName(InkRule rule);
// The rule of that name, or nothing for any other text.
std::optional<InkRule> ParseInkRule(std::string_view name);

enum class InkPolarity {
    DarkOnLight,
    LightOnDark,
};

// What the auto rule decided for one picture: its polarity and, on a grid of square cells,
// the threshold of each cell. A pixel is ink when its tone is below the threshold interpolated
// between the centres of the cells around it; a threshold of 0 takes nothing. The tone is, for
// dark ink, the pixel's darkest channel, and for light ink 255 less its lightest, so that ink
// always has the lower tone.
struct InkGrid
{
    InkPolarity polarity = InkPolarity::DarkOnLight;
    int width = 0; // the picture's, in pixels
    int height = 0;
    int cell = 1; // the side of a cell, in pixels
    int columns = 0;
    int rows = 0;
    std::vector<float> threshold; // rows x columns, row by row
    // Where a page has both kinds: squares of `area` pixels a side (areaColumns x areaRows,
    // 1 where the other polarity holds) and that polarity's thresholds on the same cells. Both
    // are empty on most pages.
    int area = 1;
    int areaColumns = 0;
    int areaRows = 0;
    std::vector<std::uint8_t> otherAreas;
    std::vector<float> otherThreshold;
    MemoryReservation charge; // the thresholds' bytes
};

// The memory the auto rule holds at once for a picture of that size, beyond the raster: two
// bytes a pixel for the bytes it replaces, the grid and a few rows.
std::int64_t InkBytes(std::int64_t width, std::int64_t height);

// Looks at the picture that rows reach and decides its ink. Reads only; an empty table gives an
// empty grid, which takes nothing. Charges what it holds while it works.
InkGrid FindInk(const RowTable &rows);

// For as long as it lives (or until restore()), the raster that rows reach says the grid's ink
// in its red and green bytes: ink (0, 0), background (255, 254); blue is not touched. The
// bytes it replaces are kept, charged to the budget before anything is written (over budget it
// throws "Out of system resources" and changes nothing). Restoring puts each pixel's own red
// and green back, except that ink the contour walk has marked keeps green 255, and a pixel
// that is neither (a label drawn over the raster meanwhile) stays as drawn.
class InkInRaster
{
public:
    InkInRaster(RowTable &rows, const InkGrid &grid);
    ~InkInRaster() { restore(); }
    InkInRaster(const InkInRaster &) = delete;
    InkInRaster &operator=(const InkInRaster &) = delete;

    void restore() noexcept;

private:
    RowTable &m_rows;
    MemoryReservation m_charge;
    std::unique_ptr<std::uint8_t[]> m_saved; // red and green, pixel by pixel, row by row
};
