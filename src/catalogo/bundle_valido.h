// Whether a folder is a whole bundle of an app: what an unpacked archive must be before it
// replaces the installed one, and what a backup must be before it is offered back.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "comun/resultado.h"
#include "plataforma/espacio.h"

namespace orvo {

// Why `bundle` is not one: not a real folder, no readable Info.plist with one of `ids` as
// its identifier, or no main program file (a missing execute bit is the opening's
// "authorise" path, not a broken bundle).
Error revisarBundle(const std::filesystem::path& bundle, const std::vector<std::string>& ids,
                    Espacio& espacio);

}  // namespace orvo
