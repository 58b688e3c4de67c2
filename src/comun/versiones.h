// Orders two version texts by their numbers only: 1.10 is newer than 1.9.
#pragma once

#include <string_view>

namespace orvo {

// 1 when `a` is newer, -1 when `b` is newer, 0 when they count as equal.
int compararVersiones(std::string_view a, std::string_view b);

}  // namespace orvo
