// Heap sort of a key array that carries a companion array of indices along:
// `sort2` over real64 keys (the amplitudes of the height maxima) and `isort`
// over int32 keys. Both run the one procedure below, step for step, so that
// equal keys end up in the same, fixed order.
#pragma once

#include <cstdint>

namespace ionoscan {

// Sorts arr(1..n) ascending in place and applies the same permutation to
// brr(1..n); arr and brr point at element 1. Not stable: both comparisons
// are strict, so with all keys equal and brr = 1..n it leaves brr =
// 2, 3, ..., n, 1. With n < 2 the arrays are left unchanged.
template <class Key>
void heapsort2(int32_t n, Key* arr, int32_t* brr) {
  if (n < 2) return;
  // 1-based views: a(i) is arr(i), b(i) is brr(i).
  auto a = [arr](int32_t i) -> Key& { return arr[i - 1]; };
  auto b = [brr](int32_t i) -> int32_t& { return brr[i - 1]; };
  int32_t l = n / 2 + 1;
  int32_t ir = n;
  for (;;) {
    Key ra;
    int32_t rb;
    if (l > 1) {
      l = l - 1;
      ra = a(l);
      rb = b(l);
    } else {
      ra = a(ir);
      rb = b(ir);
      a(ir) = a(1);
      b(ir) = b(1);
      ir = ir - 1;
      if (ir == 1) {
        a(1) = ra;
        b(1) = rb;
        return;
      }
    }
    int32_t i = l;
    int32_t j = l + l;
    while (j <= ir) {
      if (j < ir && a(j) < a(j + 1)) j = j + 1;
      if (ra < a(j)) {
        a(i) = a(j);
        b(i) = b(j);
        i = j;
        j = j + j;
      } else {
        j = ir + 1;
      }
    }
    a(i) = ra;
    b(i) = rb;
  }
}

// Real64 keys (plotmaxima's amplitudes) with their height indices.
inline void sort2(int32_t n, double* arr, int32_t* brr) {
  heapsort2(n, arr, brr);
}

// Int32 keys with a carried int32 array.
inline void isort(int32_t n, int32_t* ia, int32_t* ib) { heapsort2(n, ia, ib); }

}  // namespace ionoscan
