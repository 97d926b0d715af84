// Sorting and de-duplication of a path list, used to build each target folder once.
#pragma once

#include <string>
#include <vector>

namespace mailferry::sources::modMain {

// Sorts list[first..last] ascending in ordinal order (see OrdinalOrder.h); entries outside
// the range are untouched. An empty range (last < first) leaves the list unchanged.
// Throws std::out_of_range when a non-empty range leaves the list.
void QuickSort(std::vector<std::string>& list, int first, int last);

// Blanks repeats of neighbouring entries, drops every empty entry and shrinks the list to
// what is left, keeping the order. Relies on equal entries being neighbours (sort first).
void RemoveDuplicates(std::vector<std::string>& list);

}  // namespace mailferry::sources::modMain
