#include "shell/aviso_novedades.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvo {
namespace {

struct Registro : Notificaciones {
  std::vector<std::string> mostradas;
  void preparar(Acciones) override {}
  void mostrar(const std::string& titulo, const std::string& cuerpo, bool conActualizar) override {
    mostradas.push_back(titulo + " | " + cuerpo + (conActualizar ? " | actualizar" : ""));
  }
};

TEST(AvisoNovedades, OnePerRiseNoneWhenFallingStayingOrFocused) {
  Registro r;
  AvisoNovedades aviso(r);
  aviso.alEstado({}, false);
  EXPECT_TRUE(r.mostradas.empty());
  aviso.alEstado({{"Orvo Foto", "Orvo Notas"}, {}}, false);
  aviso.alEstado({{"Orvo Foto", "Orvo Notas"}, {}}, false);
  EXPECT_EQ(r.mostradas, std::vector<std::string>{
                             "Hay 2 actualizaciones de Orvo | Orvo Foto, Orvo Notas | actualizar"});
  aviso.alEstado({{"Orvo Foto"}, {}}, false);
  EXPECT_EQ(r.mostradas.size(), 1u);
  // A rise seen in the focused window is not news once the window loses the focus.
  aviso.alEstado({{"Orvo Foto", "Orvo Mapas", "Orvo Notas"}, {}}, true);
  aviso.alEstado({{"Orvo Foto", "Orvo Mapas", "Orvo Notas"}, {}}, false);
  EXPECT_EQ(r.mostradas.size(), 1u);
  // Back up from a fall counts as a rise.
  aviso.alEstado({{"Orvo Foto"}, {}}, false);
  aviso.alEstado({{"Orvo Foto"}, {"Mantenimiento el lunes"}}, false);
  ASSERT_EQ(r.mostradas.size(), 2u);
  EXPECT_EQ(r.mostradas[1],
            "Hay 1 actualización y 1 aviso de Orvo | Orvo Foto\nMantenimiento el lunes | "
            "actualizar");
}

TEST(AvisoNovedades, NoticesAloneOfferNoUpdateButton) {
  Registro r;
  AvisoNovedades aviso(r);
  aviso.alEstado({{}, {"Nuevo plan", "Mantenimiento"}}, false);
  EXPECT_EQ(r.mostradas,
            std::vector<std::string>{"Hay 2 avisos de Orvo | Nuevo plan, Mantenimiento"});
}

}  // namespace
}  // namespace orvo
