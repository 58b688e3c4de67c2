// What to try after an HTTP answer with status 400 or more.
#pragma once

#include <string>

namespace orvo {

// One Spanish sentence to follow the text that names the status; "" below 400.
std::string consejoHttp(int estado);

}  // namespace orvo
