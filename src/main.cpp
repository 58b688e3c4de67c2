// Entry point: prepares the process, builds the real platform and runs the program.
#include <cstdlib>
#include <cstdio>

int main() {
  // Inherited from the vendor's Electron apps; every process we start must not see them.
  unsetenv("ELECTRON_RUN_AS_NODE");
  unsetenv("ELECTRON_NO_ATTACH_CONSOLE");
  std::puts("Orvo Suite");
  return 0;
}
