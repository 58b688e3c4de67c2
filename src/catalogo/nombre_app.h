// What a manifest may call an app's bundle on disk.
#pragma once

#include <string>

namespace orvo {

// A plain file name ending in ".app": one entry of the applications folder and nothing
// else, so no path built from it can land outside that folder.
bool esNombreDeApp(const std::string& app);

}  // namespace orvo
