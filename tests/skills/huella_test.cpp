// The fingerprint against an independent computation of the same rule.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "apoyo/carpeta_temporal.h"
#include "apoyo/ordenes.h"
#include "comun/sha256.h"
#include "skills/huella.h"

namespace orvo::prueba {
namespace {

namespace fs = std::filesystem;

// The same rule written with Python's hashlib, without symbolic links followed.
std::string huellaPython(const fs::path& carpeta) {
  std::string orden =
      "/usr/bin/python3 -c '\n"
      "import hashlib, os, sys\n"
      "base = sys.argv[1]\n"
      "items = []\n"
      "for raiz, dirs, archivos in os.walk(base):\n"
      "    for n in archivos:\n"
      "        p = os.path.join(raiz, n)\n"
      "        if n != \".DS_Store\" and not os.path.islink(p) and os.path.isfile(p):\n"
      "            items.append(os.fsencode(os.path.relpath(p, base)))\n"
      "h = hashlib.sha256()\n"
      "for r in sorted(items):\n"
      "    h.update(r + b\"\\0\")\n"
      "    h.update(hashlib.sha256(open(os.path.join(os.fsencode(base), r), "
      "\"rb\").read()).digest())\n"
      "print(h.hexdigest())\n"
      "' '" +
      carpeta.string() + "'";
  auto r = ejecutar(orden);
  EXPECT_EQ(r.estado, 0);
  return r.texto.substr(0, 64);
}

TEST(Huella, CoincideConOtraImplementacion) {
  CarpetaTemporal t;
  auto s = t / "skill";
  t.escribir("skill/SKILL.md", "# Hola\n");
  t.escribir("skill/skill.json", R"({"id":"hola"})");
  t.escribir("skill/.oculto", "oculto");
  t.escribir("skill/vacío.txt", "");
  t.escribir("skill/a/b/profundo.md", std::string(3'000'000, 'x'));
  t.escribir("skill/a-b", "guion antes que barra");
  t.escribir("skill/.DS_Store", "basura");
  t.escribir("skill/a/.DS_Store", "basura");
  // Enough files for the digests to be spread over threads.
  for (int i = 0; i < 60; ++i) t.escribir("skill/muchos/" + std::to_string(i), std::to_string(i));
  fs::create_symlink("SKILL.md", s / "enlace");
  fs::create_directories(s / "carpeta-vacia");
  auto h = huella(s);
  EXPECT_EQ(h, huellaPython(s));
  EXPECT_EQ(huella(s.string() + "/"), h);
  // Nothing to count: the digest of no input.
  t.escribir("solo-ds/sub/.DS_Store", "y");
  EXPECT_EQ(huella(t / "solo-ds"), hex(Sha256().terminar()));
  EXPECT_EQ(huella(t / "no-existe"), hex(Sha256().terminar()));
}

}  // namespace
}  // namespace orvo::prueba
