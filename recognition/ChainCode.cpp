#include "recognition/ChainCode.h"

#include <array>

// Here's the plan.
//
// Each contour pixel is walked round anticlockwise on the screen along its own edges, from the
// side at which the walk arrives (the heading) up to the corner it shares with the next pixel:
//
//            1 <-- top edge
//          +-------+
//   left   |       |  right
//   edge 2 | pixel |  edge 4
//          v       ^
//          +-------+
//            3 --> bottom edge
//
// The step table gives, for each move and incoming heading, the codes appended, and the
// heading at which the walk arrives at the next pixel. Four cells are empty where a full turn
// would be expected (W with 2, S with 3, E with 4, N with 1): there the walk begins on the edge
// shared with the next pixel and walks none of the source pixel's edges.

namespace {

struct StepRow
{
    std::int32_t dx;
    std::int32_t dy;
    const char *codes[4]; // appended for incoming heading 1, 2, 3, 4
    std::int32_t returned;
};

// The moves in the order they are tested. The last row catches NW, no move and every jump.
// clang-format off
constexpr StepRow kStepTable[8] = {
    //  dx  dy    heading 1  heading 2  heading 3  heading 4    returned
    {   -1,  0, { "1",       "",        "341",     "41"     },  1 },  // W
    {   -1, +1, { "12",      "2",       "3412",    "412"    },  1 },  // SW
    {    0, +1, { "12",      "2",       "",        "412"    },  2 },  // S
    {   +1, +1, { "123",     "23",      "3",       "4123"   },  2 },  // SE
    {   +1,  0, { "123",     "23",      "3",       ""       },  3 },  // E
    {   +1, -1, { "1234",    "234",     "34",      "4"      },  3 },  // NE
    {    0, -1, { "",        "234",     "34",      "4"      },  4 },  // N
    {    0,  0, { "1",       "2341",    "341",     "41"     },  4 },  // any other move
};
// clang-format on
constexpr int kOtherMove = 7;

constexpr int rowOf(std::int64_t dx, std::int64_t dy)
{
    for (int row = 0; row < kOtherMove; ++row) {
        if (kStepTable[row].dx == dx && kStepTable[row].dy == dy)
            return row;
    }
    return kOtherMove;
}

// The step table's row for each move of at most one pixel: entry 3 (dy + 1) + dx + 1.
constexpr std::array<std::uint8_t, 9> makeRowOfMove()
{
    std::array<std::uint8_t, 9> rows {};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx)
            rows[std::size_t(3 * (dy + 1) + dx + 1)] = std::uint8_t(rowOf(dx, dy));
    }
    return rows;
}

constexpr std::array<std::uint8_t, 9> kRowOfMove = makeRowOfMove();

// ChainStep for contours, whose moves are nearly always of one pixel: the row from a small
// table, the codes appended from the same strings.
std::int32_t contourStep(Point from, Point to, std::int32_t heading, ChainCode &chainCode)
{
    const std::int64_t dx = std::int64_t(to.x) - from.x;
    const std::int64_t dy = std::int64_t(to.y) - from.y;
    const int row = dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1
        ? kRowOfMove[std::size_t(3 * (dy + 1) + dx + 1)]
        : kOtherMove;
    const StepRow &step = kStepTable[row];
    if (heading >= 1 && heading <= 4) {
        for (const char *code = step.codes[heading - 1]; *code != '\0'; ++code)
            chainCode.push_back(std::uint8_t(*code - '0'));
    }
    return step.returned;
}

} // namespace

std::int32_t ChainStep(std::int32_t y0, std::int32_t x0, std::int32_t y1, std::int32_t x1,
    std::int32_t heading, ChainCode &chainCode)
{
    // 64-bit differences: any two 32-bit coordinates are coded, far jumps like the rest.
    const StepRow &row = kStepTable[rowOf(std::int64_t(x1) - x0, std::int64_t(y1) - y0)];
    if (heading >= 1 && heading <= 4) {
        for (const char *code = row.codes[heading - 1]; *code != '\0'; ++code)
            chainCode.push_back(std::uint8_t(*code - '0'));
    }
    return row.returned;
}

void BuildChainCode(const Contour &contour, ChainCode &chainCode)
{
    chainCode.clear();
    const std::size_t n = contour.size();
    if (n < 2)
        return;

    // The heading at the last point, from the way the walk arrived there: from the right 1,
    // from below left 3, from anywhere else 4.
    const Point last = contour[n - 1];
    const Point beforeLast = contour[n - 2];
    const std::int64_t dx = std::int64_t(beforeLast.x) - last.x;
    const std::int64_t dy = std::int64_t(beforeLast.y) - last.y;
    std::int32_t heading = 4;
    if (dx == 1 && dy == 0)
        heading = 1;
    else if (dx == -1 && dy == 1)
        heading = 3;

    heading = contourStep(last, contour[0], heading, chainCode);
    for (std::size_t k = 0; k + 1 < n; ++k)
        heading = contourStep(contour[k], contour[k + 1], heading, chainCode);
}
