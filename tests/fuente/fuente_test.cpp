// Sources and locations: which text is a server, how references resolve against it.
#include <gtest/gtest.h>

#include "catalogo/fuente.h"
#include "comun/url.h"

namespace orvo {
namespace {

TEST(Url, ResolucionDelEstandar) {
  // The normal and abnormal examples of RFC 3986 section 5.4.
  const std::string base = "http://a/b/c/d;p?q";
  const std::pair<const char*, const char*> casos[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
  };
  for (auto [ref, esperado] : casos)
    EXPECT_EQ(resolverTexto(base, ref).value_or("<nada>"), esperado) << ref;
}

TEST(Url, RechazaLoQueNoEsUnaUrl) {
  for (const char* t : {"con espacio.zip", "a\tb",
                        "ma\xC3\xB1"
                        "ana.zip",
                        "x%2", "x%zz", "a<b", "a\"b", "1http://x/"})
    EXPECT_FALSE(analizarUrl(t)) << t;
  auto u = analizarUrl("https://user@[::1]:8443/x?y#z");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->host(), "::1");
  EXPECT_EQ(analizarUrl("http://LocalHost:80/")->host(), "LocalHost");
}

TEST(Fuente, ServidorOCarpeta) {
  auto b = baseDe("  \thttps://orvo.example/api  ", "/home/ana");
  ASSERT_TRUE(b.esServidor());
  EXPECT_EQ(*b.servidor, "https://orvo.example/api/");
  EXPECT_TRUE(b.valida);

  auto casa = baseDe("~/Catalogo/", "/home/ana");
  EXPECT_FALSE(casa.esServidor());
  EXPECT_EQ(casa.carpeta, "/home/ana/Catalogo");

  // The scheme is recognised only as written: capitals make a relative folder.
  auto mayus = baseDe("HTTPS://orvo.example/", "/home/ana");
  EXPECT_FALSE(mayus.esServidor());

  auto rota = baseDe("https://orvo example/", "/home/ana");
  EXPECT_TRUE(rota.esServidor());
  EXPECT_FALSE(rota.valida);
  EXPECT_FALSE(baseDe("https://", "/h").valida);

  // Line breaks are not trimmed; the non-breaking space is.
  EXPECT_EQ(recortar("\xC2\xA0 x \n"), "x \n");
}

TEST(Fuente, UbicacionesEnServidorYEnCarpeta) {
  auto s = baseDe("https://orvo.example/cat", "/h");
  EXPECT_EQ(resolverEn(s, "https://cdn.example/v.zip").texto(), "https://cdn.example/v.zip");
  EXPECT_EQ(resolverEn(s, "apps/v.zip").texto(), "https://orvo.example/cat/apps/v.zip");
  EXPECT_EQ(resolverEn(s, "/raiz/v.zip").texto(), "https://orvo.example/raiz/v.zip");
  // Not a URL: appended as one more path component, escaped.
  EXPECT_EQ(resolverEn(s, "Orvo Video.zip").texto(), "https://orvo.example/cat/Orvo%20Video.zip");

  auto l = baseDe("/srv/cat alogo", "/h");
  auto v = resolverEn(l, "apps/v%20x.zip");
  ASSERT_TRUE(v.enDisco());
  EXPECT_EQ(v.archivo, "/srv/cat alogo/apps/v x.zip");
  EXPECT_EQ(resolverEn(l, "Orvo Video.zip").archivo, "/srv/cat alogo/Orvo Video.zip");
  EXPECT_EQ(resolverEn(l, "https://cdn.example/v.zip").texto(), "https://cdn.example/v.zip");
}

}  // namespace
}  // namespace orvo
