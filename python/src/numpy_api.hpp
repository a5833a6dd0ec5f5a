// The NumPy C API the extension is written against, set before any NumPy
// header: nothing deprecated since 1.7, and NumPy 1.23's interface as the
// target, the oldest NumPy made for CPython 3.11 (the wheel's oldest
// interpreter). One build against NumPy 2's headers then also loads on NumPy
// 1.23 and later (NumPy's rule for extensions built with its 2.x headers,
// which is what Debian's python3-numpy2-abi0 | python3-numpy-abi9 says, and
// what the wheel's requirement numpy>=1.23 states), and the ufunc's
// dispatching fields of 1.22 (the list of loops and promoters) are declared,
// which the refusal of reductions needs on NumPy 1.x (module.cpp,
// "Reductions").
#ifndef VARNEL_PYTHON_NUMPY_API_HPP
#define VARNEL_PYTHON_NUMPY_API_HPP
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#define NPY_TARGET_VERSION NPY_1_23_API_VERSION
#endif  // VARNEL_PYTHON_NUMPY_API_HPP
