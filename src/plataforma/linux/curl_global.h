// libcurl's process-wide setup, done once before the first handle whatever the thread.
#pragma once

namespace orvo {

void prepararCurl();

}  // namespace orvo
