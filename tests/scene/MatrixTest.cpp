#include "scene/Matrix.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(Matrix, StartsAtZeroAndIndexesFromOneRowByRow)
{
    Matrix m(2, 3);
    EXPECT_EQ(m.nRow(), 2);
    EXPECT_EQ(m.nCol(), 3);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) {
            EXPECT_EQ(m(i, j), 0);
            m(i, j) = 10 * i + j;
        }
    const Matrix& view = m;
    EXPECT_EQ(view(1, 3), 13);
    EXPECT_EQ(view(2, 1), 21);
    m.fill(-1);
    EXPECT_EQ(view(2, 3), -1);
}

TEST(Matrix, CopiesAreDeep)
{
    Matrix original(2, 2);
    original(1, 2) = 5;
    Matrix copy(original);
    copy(1, 2) = 7;
    Matrix assigned(1, 1);
    assigned = original;
    assigned(1, 2) = 9;
    EXPECT_EQ(original(1, 2), 5);
    EXPECT_EQ(copy(1, 2), 7);
    EXPECT_EQ(assigned.nRow(), 2);
    EXPECT_EQ(assigned(1, 2), 9);
}

TEST(MatrixDeathTest, IndexOutsideTheShapeStopsNamingTheCheck)
{
    Matrix column(3, 1);
    EXPECT_DEATH(column(1, 2), "Assertion failed: j > 0 && j <= nCol_, file Matrix\\.cpp, line [0-9]+");
    EXPECT_DEATH(column(0, 1), "Assertion failed: i > 0 && i <= nRow_, file Matrix\\.cpp, line [0-9]+");
    EXPECT_DEATH(column(4, 1), "Assertion failed: i > 0 && i <= nRow_");
}

TEST(MatrixDeathTest, AnEmptyShapeStopsNamingTheCheck)
{
    EXPECT_DEATH(Matrix(0, 3), "Assertion failed: nR > 0 && nC > 0, file Matrix\\.cpp");
    EXPECT_DEATH(Matrix(3, -1), "Assertion failed: nR > 0 && nC > 0");
}

} // namespace
} // namespace tavrik
