#include "paquete/instalar.h"

#include <gtest/gtest.h>

#include "apoyo/ordenes.h"

namespace orvo::prueba {

bool instalarEn(const std::filesystem::path& raiz) {
  auto r = ejecutar("DESTDIR='" + raiz.string() +
                    "' '" ORVO_CMAKE "' --install '" ORVO_CONSTRUCCION "' 2>&1");
  EXPECT_EQ(r.estado, 0) << r.texto;
  return r.estado == 0;
}

}  // namespace orvo::prueba
