// The steps the numerics' own selections and sorts are made of: straight insertion for
// short lists, and the partition around the median of three of quickselect and quicksort.
#pragma once

// Sorts values[0..n) ascending by straight insertion.
inline void InsertionSort(double* values, int n) {
  for (int i = 1; i < n; ++i) {
    const double value = values[i];
    int j = i;
    for (; j > 0 && values[j - 1] > value; --j) values[j] = values[j - 1];
    values[j] = value;
  }
}

// Partitions keys[left..right] (right > left + 1) around the median of the first, middle
// and last key, moving values only through swap(a, b), which exchanges places a and b of
// keys and of whatever travels with them. Afterwards the pivot stands at j, no key before
// j is greater and none from i on is smaller. The median of three, put at left + 1 with
// the smaller key at left and the larger at right, bounds both scans.
template <typename Swap>
void PartitionAroundMedianOfThree(const double* keys, int left, int right, Swap swap, int& i,
                                  int& j) {
  const int middle = (left + right) / 2;
  swap(middle, left + 1);
  if (keys[left] > keys[right]) swap(left, right);
  if (keys[left + 1] > keys[right]) swap(left + 1, right);
  if (keys[left] > keys[left + 1]) swap(left, left + 1);
  i = left + 1;
  j = right;
  const double pivot = keys[left + 1];
  for (;;) {
    do ++i;
    while (keys[i] < pivot);
    do --j;
    while (keys[j] > pivot);
    if (j < i) break;
    swap(i, j);
  }
  // The scans never reach left + 1, so the pivot still stands there.
  swap(left + 1, j);
}
