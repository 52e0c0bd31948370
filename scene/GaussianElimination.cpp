#include "scene/GaussianElimination.h"

#include "base/Check.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace tavrik {

double GaussianElimination(Matrix A, Matrix b, Matrix& x)
{
    const int N = A.nRow();
    TAVRIK_CHECK(N == A.nCol() && N == b.nRow() && N == x.nRow());

    Matrix scale(N, 1);
    std::vector<int> index(N + 1); // 1-based like the matrices; entry 0 unused
    for (int i = 1; i <= N; ++i) {
        index[i] = i;
        for (int j = 1; j <= N; ++j)
            scale(i, 1) = std::max(scale(i, 1), std::fabs(A(i, j)));
    }

    double sign = 1;
    for (int k = 1; k < N; ++k) {
        double bestRatio = 0;
        int pivot = k;
        for (int i = k; i <= N; ++i) {
            const int r = index[i];
            // An all-zero row has scale 0; it can never be a better pivot.
            const double ratio = scale(r, 1) > 0 ? std::fabs(A(r, k)) / scale(r, 1) : 0;
            if (ratio > bestRatio) {
                bestRatio = ratio;
                pivot = i;
            }
        }
        if (pivot != k) {
            std::swap(index[pivot], index[k]);
            sign = -sign;
        }
        const int p = index[k];
        // A zero pivot means the whole column below is zero already: nothing
        // to eliminate, and the determinant comes out 0.
        if (A(p, k) == 0)
            continue;
        for (int i = k + 1; i <= N; ++i) {
            const int r = index[i];
            const double coeff = A(r, k) / A(p, k);
            for (int j = k + 1; j <= N; ++j)
                A(r, j) -= coeff * A(p, j);
            A(r, k) = coeff;
            b(r, 1) -= coeff * b(p, 1);
        }
    }

    double determinant = sign;
    for (int i = 1; i <= N; ++i)
        determinant *= A(index[i], i);
    if (determinant == 0)
        return determinant;

    x(N, 1) = b(index[N], 1) / A(index[N], N);
    for (int i = N - 1; i >= 1; --i) {
        double sum = b(index[i], 1);
        for (int j = i + 1; j <= N; ++j)
            sum -= A(index[i], j) * x(j, 1);
        x(i, 1) = sum / A(index[i], i);
    }
    return determinant;
}

} // namespace tavrik
