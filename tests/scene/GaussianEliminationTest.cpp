#include "scene/GaussianElimination.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tavrik {
namespace {

Matrix FromRows(const std::vector<std::vector<double>>& rows)
{
    Matrix m(static_cast<int>(rows.size()), static_cast<int>(rows[0].size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows[i].size(); ++j)
            m(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = rows[i][j];
    return m;
}

Matrix Column(const std::vector<double>& values)
{
    Matrix m(static_cast<int>(values.size()), 1);
    for (std::size_t i = 0; i < values.size(); ++i)
        m(static_cast<int>(i) + 1, 1) = values[i];
    return m;
}

std::vector<double> Values(const Matrix& column)
{
    std::vector<double> values;
    for (int i = 1; i <= column.nRow(); ++i)
        values.push_back(column(i, 1));
    return values;
}

struct SolveCase {
    std::vector<std::vector<double>> A;
    std::vector<double> b;
    std::vector<double> x;
    double determinant;
};

class Solve : public ::testing::TestWithParam<SolveCase> {};

TEST_P(Solve, GivesTheSolutionAndTheDeterminant)
{
    const SolveCase& c = GetParam();
    const Matrix A = FromRows(c.A);
    const Matrix b = Column(c.b);
    Matrix x(static_cast<int>(c.b.size()), 1);
    EXPECT_EQ(GaussianElimination(A, b, x), c.determinant);
    EXPECT_EQ(Values(x), c.x);
    // The caller's matrices are not touched.
    EXPECT_EQ(Values(b), c.b);
    EXPECT_EQ(A(1, 1), c.A[0][0]);
}

INSTANTIATE_TEST_SUITE_P(
    GaussianElimination, Solve,
    ::testing::Values(
        // Diagonal: no swap.
        SolveCase{{{2, 0, 0}, {0, 3, 0}, {0, 0, 4}}, {2, 3, 4}, {1, 1, 1}, 24},
        // Column 1 pivots on row 2: one swap negates the determinant.
        SolveCase{{{0, 1}, {1, 0}}, {5, 7}, {7, 5}, -1},
        // Scaled pivoting picks row 3 (ratio 1) over row 1 (ratio 1/3); the
        // swap's sign cancels the sign of the pivots' product.
        SolveCase{{{1, 3, 0}, {0, 1, 0}, {2, 0, 1}}, {4, 1, 3}, {1, 1, 1}, 1},
        SolveCase{{{4}}, {2}, {0.5}, 4}));

TEST(GaussianElimination, TiesInTheScaledRatioKeepTheEarlierRow)
{
    // Both rows have ratio 1 in column 1. Keeping row 1 as the pivot solves
    // exactly; pivoting on row 2 rounds 1 - 1/1000 and gives x(2) =
    // 0.9999999999999999.
    const Matrix A = FromRows({{1, 1}, {1000, 1}});
    Matrix x(2, 1);
    EXPECT_EQ(GaussianElimination(A, Column({2, 1001}), x), -999);
    EXPECT_EQ(Values(x), (std::vector<double>{1, 1}));
}

TEST(GaussianElimination, SingularSystemsLeaveXUntouched)
{
    for (const auto& rows : std::vector<std::vector<std::vector<double>>>{
             {{1, 2, 3}, {1, 2, 3}, {0, 0, 1}}, // two equal rows
             {{0, 0, 0}, {1, 2, 3}, {4, 5, 6}}, // an all-zero row: scale 0
             {{0, 1, 2}, {0, 3, 4}, {0, 5, 6}}, // a zero column: zero pivot
         }) {
        Matrix x = Column({7, 8, 9});
        EXPECT_EQ(GaussianElimination(FromRows(rows), Column({1, 1, 1}), x), 0);
        EXPECT_EQ(Values(x), (std::vector<double>{7, 8, 9}));
    }
}

TEST(GaussianEliminationDeathTest, MismatchedShapesStopNamingTheCheck)
{
    Matrix x(2, 1);
    EXPECT_DEATH(GaussianElimination(Matrix(2, 3), Matrix(2, 1), x),
                 "Assertion failed: N == A.nCol\\(\\) && N == b.nRow\\(\\) && N == x.nRow\\(\\), file "
                 "GaussianElimination\\.cpp");
    Matrix shortX(1, 1);
    EXPECT_DEATH(GaussianElimination(Matrix(2, 2), Matrix(2, 1), shortX), "Assertion failed: N == A.nCol");
}

} // namespace
} // namespace tavrik
