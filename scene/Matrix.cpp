#include "scene/Matrix.h"

#include "base/Check.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tavrik {

namespace {

std::unique_ptr<double[]> AllocateZeros(std::int32_t nRow, std::int32_t nCol)
{
    const std::size_t count = static_cast<std::size_t>(nRow) * static_cast<std::size_t>(nCol);
    // nothrow, so that an allocation failure stops the program at the check
    // below like any other broken invariant of this class.
    return std::unique_ptr<double[]>(new (std::nothrow) double[count]());
}

} // namespace

Matrix::Matrix(int nR, int nC)
    : nRow_(nR), nCol_(nC)
{
    TAVRIK_CHECK(nR > 0 && nC > 0);
    data_ = AllocateZeros(nRow_, nCol_);
    TAVRIK_CHECK(data_ != nullptr);
}

Matrix::Matrix(const Matrix& other)
    : nRow_(other.nRow_), nCol_(other.nCol_), data_(AllocateZeros(other.nRow_, other.nCol_))
{
    TAVRIK_CHECK(data_ != nullptr);
    std::copy_n(other.data_.get(), static_cast<std::size_t>(nRow_) * nCol_, data_.get());
}

Matrix& Matrix::operator=(const Matrix& other)
{
    if (this != &other) {
        Matrix copy(other);
        nRow_ = copy.nRow_;
        nCol_ = copy.nCol_;
        data_ = std::move(copy.data_);
    }
    return *this;
}

std::size_t Matrix::Offset(int i, int j) const
{
    TAVRIK_CHECK(i > 0 && i <= nRow_);
    TAVRIK_CHECK(j > 0 && j <= nCol_);
    return static_cast<std::size_t>(i - 1) * nCol_ + static_cast<std::size_t>(j - 1);
}

double& Matrix::operator()(int i, int j)
{
    return data_[Offset(i, j)];
}

double Matrix::operator()(int i, int j) const
{
    return data_[Offset(i, j)];
}

void Matrix::fill(double value)
{
    std::fill_n(data_.get(), static_cast<std::size_t>(nRow_) * nCol_, value);
}

} // namespace tavrik
