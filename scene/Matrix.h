#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tavrik {

// A dense matrix of doubles with 1-based indices, stored row by row: element
// (i, j) is entry (i - 1) * nCol + (j - 1). Copies are deep. Shape and index
// errors are bugs and stop the program through TAVRIK_CHECK.
class Matrix {
public:
    // An nR x nC matrix of zeros; both must be at least 1.
    Matrix(int nR, int nC);
    Matrix(const Matrix& other);
    Matrix& operator=(const Matrix& other);
    ~Matrix() = default;

    int nRow() const { return nRow_; }
    int nCol() const { return nCol_; }

    // Element (i, j), 1 <= i <= nRow(), 1 <= j <= nCol().
    double& operator()(int i, int j);
    double operator()(int i, int j) const;

    void fill(double value);

private:
    std::size_t Offset(int i, int j) const;

    std::int32_t nRow_;
    std::int32_t nCol_;
    std::unique_ptr<double[]> data_;
};

} // namespace tavrik
