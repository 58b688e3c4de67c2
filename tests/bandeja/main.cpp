// Every run of this area, the listing included, gets a session bus of its own: the tray
// item, the watcher and the notification server meet there and nowhere else. The font
// cache's lifelong memory and libdbusmenu's small leaks are not reported.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (!std::getenv("ORVO_BUS_PROPIO")) {
    setenv("ORVO_BUS_PROPIO", "1", 1);
    std::string fugas = "suppressions=" ORVO_PARES_BANDEJA "/fugas.supp";
    if (const char* antes = std::getenv("LSAN_OPTIONS")) fugas = std::string(antes) + ":" + fugas;
    setenv("LSAN_OPTIONS", fugas.c_str(), 1);
    // Full stacks, so that the suppressions can name the library a leak comes from.
    std::string pilas = "fast_unwind_on_malloc=0";
    if (const char* antes = std::getenv("ASAN_OPTIONS")) pilas = std::string(antes) + ":" + pilas;
    setenv("ASAN_OPTIONS", pilas.c_str(), 1);
    std::vector<char*> orden{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    orden.insert(orden.end(), argv, argv + argc);
    orden.push_back(nullptr);
    execvp(orden[0], orden.data());
    std::perror("dbus-run-session");
    return 127;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
