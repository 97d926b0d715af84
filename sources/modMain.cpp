// Sorting and de-duplication of a path list.
#include "sources/modMain.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "sources/OrdinalOrder.h"

namespace mailferry::sources::modMain {

namespace {

// (first + last) / 2 taken to the nearest whole number, halves to the even neighbour.
std::int64_t pivotIndex(std::int64_t first, std::int64_t last) {
  const std::int64_t sum = first + last;
  const std::int64_t down = sum >= 0 ? sum / 2 : -((-sum + 1) / 2);  // floor(sum / 2)
  if (sum % 2 == 0) return down;
  return down % 2 == 0 ? down : down + 1;
}

void sortRange(std::vector<std::string>& list, std::int64_t first, std::int64_t last) {
  // The smaller side is sorted by recursion and the larger one by the loop, so the stack
  // stays logarithmic whatever the input; the two sides are disjoint, so the order in which
  // they are sorted does not change the result.
  while (first < last) {
    const std::string pivot = list[static_cast<std::size_t>(pivotIndex(first, last))];
    std::int64_t low = first;
    std::int64_t high = last;
    do {
      while (ordinalLess(list[static_cast<std::size_t>(low)], pivot) && low < last) ++low;
      while (ordinalLess(pivot, list[static_cast<std::size_t>(high)]) && high > first) --high;
      if (low > high) break;
      std::swap(list[static_cast<std::size_t>(low)], list[static_cast<std::size_t>(high)]);
      ++low;
      --high;
    } while (low <= high);

    const bool leftSide = first < high;
    const bool rightSide = low < last;
    if (leftSide && rightSide) {
      if (high - first < last - low) {
        sortRange(list, first, high);
        first = low;
      } else {
        sortRange(list, low, last);
        last = high;
      }
    } else if (leftSide) {
      last = high;
    } else if (rightSide) {
      first = low;
    } else {
      return;
    }
  }
}

}  // namespace

void QuickSort(std::vector<std::string>& list, int first, int last) {
  if (last < first) return;
  if (first < 0 || static_cast<std::size_t>(last) >= list.size()) {
    throw std::out_of_range("QuickSort: range " + std::to_string(first) + ".." +
                            std::to_string(last) + " outside a list of " +
                            std::to_string(list.size()) + " entries");
  }
  sortRange(list, first, last);
}

void RemoveDuplicates(std::vector<std::string>& list) {
  const std::size_t size = list.size();
  // Blank repeats: list[j] stays, and every following entry equal to it is emptied.
  std::size_t j = 0;
  std::size_t gap = 1;
  while (j < size) {
    if (j + gap >= size) break;
    if (list[j].empty()) {
      ++j;
    } else if (list[j + gap] == list[j]) {
      list[j + gap].clear();
      ++gap;
    } else {
      gap = 1;
      ++j;
    }
  }
  // Compact, keeping the order of what stays.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (list[i].empty()) continue;
    if (i != kept) list[kept] = std::move(list[i]);
    ++kept;
  }
  list.resize(kept);
}

}  // namespace mailferry::sources::modMain
