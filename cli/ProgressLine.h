// The one line a terminal shows while a run converts: how many files are done of how many,
// the percentage, the rate and the time left.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mailferry::cli {

// `items` names what is counted ("messages", "contacts"); `perSecond` is the rate of files
// done. The rate and the time left read "--" while there is no rate yet; once every file is
// done, "done" takes the place of the time left.
std::string progressLine(std::size_t done, std::size_t total, std::string_view items,
                         std::optional<double> perSecond);

}  // namespace mailferry::cli
