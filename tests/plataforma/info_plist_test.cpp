#include <gtest/gtest.h>

#include <cstdlib>

#include <plist/plist.h>

#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/info_plist.h"

using orvo::leerInfoPlist;
using orvo::prueba::CarpetaTemporal;

TEST(InfoPlist, XmlYBinarioDanLasMismasClavesDeTexto) {
  CarpetaTemporal t;
  auto xml = t.escribir("A.app/Contents/Info.plist", R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleIdentifier</key><string>com.orvo.video</string>
  <key>CFBundleShortVersionString</key><string>2.4.1</string>
  <key>OrvoBuild</key><integer>241</integer>
  <key>CFBundleExecutable</key><string>Video</string>
</dict></plist>)");
  auto leido = leerInfoPlist(xml);
  ASSERT_TRUE(leido);
  EXPECT_EQ(leido->at("CFBundleShortVersionString"), "2.4.1");
  EXPECT_EQ(leido->at("CFBundleExecutable"), "Video");
  // A build written as a number is not text, so it counts as absent.
  EXPECT_EQ(leido->count("OrvoBuild"), 0u);

  plist_t dict = plist_new_dict();
  plist_dict_set_item(dict, "CFBundleShortVersionString", plist_new_string("3.0"));
  plist_dict_set_item(dict, "OrvoBuild", plist_new_string("b9"));
  char* bin = nullptr;
  uint32_t tam = 0;
  plist_to_bin(dict, &bin, &tam);
  plist_free(dict);
  auto binario = t.escribir("B.app/Contents/Info.plist", std::string(bin, tam));
  free(bin);
  leido = leerInfoPlist(binario);
  ASSERT_TRUE(leido);
  EXPECT_EQ(leido->at("CFBundleShortVersionString"), "3.0");
  EXPECT_EQ(leido->at("OrvoBuild"), "b9");
}

TEST(InfoPlist, IlegibleONoDiccionarioEsAusente) {
  CarpetaTemporal t;
  EXPECT_FALSE(leerInfoPlist(t / "falta.plist"));
  EXPECT_FALSE(leerInfoPlist(t.escribir("vacio.plist", "")));
  EXPECT_FALSE(leerInfoPlist(t.escribir("basura.plist", "esto no es un plist \x01\x02")));
  EXPECT_FALSE(leerInfoPlist(t.escribir(
      "lista.plist", "<plist version=\"1.0\"><array><string>x</string></array></plist>")));
  EXPECT_FALSE(leerInfoPlist(t.escribir("cortado.plist", "bplist00\xd1\x01")));
}
