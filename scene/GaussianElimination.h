#pragma once

#include "scene/Matrix.h"

namespace tavrik {

// Solves A x = b for an N x N matrix A and an N x 1 column b by Gaussian
// elimination with scaled partial pivoting. A and b are taken by value, so
// the caller's matrices stay as they are; x (N x 1) receives the solution.
// Returns the determinant of A. When the determinant is 0, x is left
// untouched, which is how a caller tells a singular system.
//
// Pivoting goes through a row index list (rows are never moved): in column k
// the pivot is the row with the largest |A(r, k)| / scale(r), scale(r) being
// the largest magnitude of row r of the original A; ties keep the row that
// stands earlier in the index list.
double GaussianElimination(Matrix A, Matrix b, Matrix& x);

} // namespace tavrik
