// Sources and locations: which text is a server, how references resolve against it.
#include <gtest/gtest.h>

#include "catalogo/fuente.h"
#include "comun/url.h"

namespace orvo {
namespace {

TEST(Url, ResolucionDelEstandarYLoQueNoEsUnaUrl) {
  // The normal and abnormal examples of RFC 3986 section 5.4, as reference and result.
  // clang-format off
  const char* casos[][2] = {
      {"g:h", "g:h"}, {"g", "http://a/b/c/g"}, {"./g", "http://a/b/c/g"}, {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"}, {"//g", "http://g"}, {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"}, {"#s", "http://a/b/c/d;p?q#s"}, {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"}, {"..", "http://a/b/"}, {"../g", "http://a/b/g"},
      {"../../g", "http://a/g"}, {"../../../g", "http://a/g"}, {"/./g", "http://a/g"},
      {"/../g", "http://a/g"}, {"g.", "http://a/b/c/g."}, {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"}, {"g/./h", "http://a/b/c/g/h"}, {"g/../h", "http://a/b/c/h"},
      {"g;x=1/../y", "http://a/b/c/y"}, {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"}};
  // clang-format on
  for (auto [ref, esperado] : casos)
    EXPECT_EQ(resolverTexto("http://a/b/c/d;p?q", ref).value_or("<nada>"), esperado) << ref;

  for (const char* t : {"con espacio.zip", "a\tb",
                        "ma\xC3\xB1"
                        "ana.zip",
                        "x%2", "x%zz", "a<b", "a\"b", "1http://x/"})
    EXPECT_FALSE(analizarUrl(t)) << t;
  EXPECT_EQ(analizarUrl("https://user@[::1]:8443/x?y#z")->host(), "::1");
}

TEST(Fuente, ServidorOCarpetaYSusUbicaciones) {
  auto s = baseDe("  \thttps://orvo.example/cat  ", "/home/ana");
  ASSERT_TRUE(s.esServidor() && s.valida);
  EXPECT_EQ(*s.servidor, "https://orvo.example/cat/");
  EXPECT_EQ(baseDe("~/Catalogo/", "/home/ana").carpeta, "/home/ana/Catalogo");
  // The scheme is recognised only as written: capitals make a relative folder.
  EXPECT_FALSE(baseDe("HTTPS://orvo.example/", "/h").esServidor());
  auto rota = baseDe("https://orvo example/", "/h");
  EXPECT_TRUE(rota.esServidor() && !rota.valida);
  EXPECT_FALSE(baseDe("https://", "/h").valida);
  // Line breaks are not trimmed; the non-breaking space is.
  EXPECT_EQ(recortar("\xC2\xA0 x \n"), "x \n");

  EXPECT_EQ(resolverEn(s, "https://cdn.example/v.zip").texto(), "https://cdn.example/v.zip");
  EXPECT_EQ(resolverEn(s, "apps/v.zip").texto(), "https://orvo.example/cat/apps/v.zip");
  EXPECT_EQ(resolverEn(s, "/raiz/v.zip").texto(), "https://orvo.example/raiz/v.zip");
  // Not a URL: appended as one more path component, escaped.
  EXPECT_EQ(resolverEn(s, "Orvo Video.zip").texto(), "https://orvo.example/cat/Orvo%20Video.zip");

  auto l = baseDe("/srv/cat alogo", "/h");
  ASSERT_TRUE(resolverEn(l, "apps/v%20x.zip").enDisco());
  EXPECT_EQ(resolverEn(l, "apps/v%20x.zip").archivo, "/srv/cat alogo/apps/v x.zip");
  EXPECT_EQ(resolverEn(l, "Orvo Video.zip").archivo, "/srv/cat alogo/Orvo Video.zip");
  EXPECT_EQ(resolverEn(l, "https://cdn.example/v.zip").texto(), "https://cdn.example/v.zip");
}

}  // namespace
}  // namespace orvo
