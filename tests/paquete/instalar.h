// This build, installed with `cmake --install` under a scratch root (DESTDIR).
#pragma once

#include <filesystem>

namespace orvo::prueba {

bool instalarEn(const std::filesystem::path& raiz);

}  // namespace orvo::prueba
