#include "recognition/PointList.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::vector<Point> firstPoints(int count)
{
    std::vector<Point> points;
    for (int i = 0; i < count; ++i)
        points.push_back({i, -i});
    return points;
}

} // namespace

// Lists of none, one, two (held in place) and more points (on the heap) keep their points through
// every way of copying, moving and swapping them, in either direction between the two forms.
TEST(PointList, keepsItsPointsInPlaceAndOnTheHeapThroughCopiesMovesAndSwaps)
{
    for (const int a : {0, 1, 2, 3, 9}) {
        for (const int b : {0, 2, 3}) {
            PointList first, second;
            for (const Point p : firstPoints(a))
                first.push_back(p);
            second.append(firstPoints(b));
            EXPECT_EQ(first, firstPoints(a));
            EXPECT_EQ(first.capacity() > PointList::kInPlace, a > 2);

            first.swap(second);
            EXPECT_EQ(first, firstPoints(b));
            EXPECT_EQ(second, firstPoints(a));

            PointList copy(second);
            copy = first;
            EXPECT_EQ(copy, firstPoints(b));
            copy = std::as_const(copy);
            EXPECT_EQ(copy, firstPoints(b));

            PointList moved(std::move(second));
            EXPECT_EQ(moved, firstPoints(a));
            EXPECT_TRUE(second.empty());
            moved = std::move(first);
            EXPECT_EQ(moved, firstPoints(b));

            moved.append(firstPoints(a));
            std::vector<Point> both = firstPoints(b);
            const std::vector<Point> more = firstPoints(a);
            both.insert(both.end(), more.begin(), more.end());
            EXPECT_EQ(moved, both);
            moved.release();
            EXPECT_TRUE(moved.empty());
            EXPECT_EQ(moved.capacity(), PointList::kInPlace);
        }
    }
}
