// Binary Info.plists are read by the desktop tests through their bundles.
#include <gtest/gtest.h>

#include "apoyo/carpeta_temporal.h"
#include "plataforma/linux/info_plist.h"

using orvo::leerInfoPlist;
using orvo::prueba::CarpetaTemporal;

TEST(InfoPlist, SoloClavesDeTextoDeUnDiccionarioLegible) {
  CarpetaTemporal t;
  auto leido = leerInfoPlist(t.escribir("A.app/Contents/Info.plist", R"(<?xml version="1.0"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleShortVersionString</key><string>2.4.1</string>
  <key>OrvoBuild</key><integer>241</integer>
</dict></plist>)"));
  ASSERT_TRUE(leido);
  EXPECT_EQ(leido->at("CFBundleShortVersionString"), "2.4.1");
  // A build written as a number is not text, so it counts as absent.
  EXPECT_EQ(leido->count("OrvoBuild"), 0u);

  EXPECT_FALSE(leerInfoPlist(t / "falta.plist"));
  int n = 0;
  for (const char* roto : {"", "esto no es un plist \x01\x02", "bplist00\xd1\x01",
                           "<plist version=\"1.0\"><array><string>x</string></array></plist>"})
    EXPECT_FALSE(leerInfoPlist(t.escribir(std::to_string(++n) + ".plist", roto))) << roto;
}
