// The program's one diagnostic log: suite.log in the data folder, one line per event.
#pragma once

#include <filesystem>
#include <string>

namespace orvo {

class Log {
 public:
  // Appends "<UTC time> <mensaje>\n", the message's control characters escaped, so each call
  // is one line. Never fails from the caller's side.
  static void escribir(const std::string& mensaje);
  // Set once at start by whoever owns the data folder; without it nothing is written.
  static void usarCarpeta(std::filesystem::path carpeta);
};

}  // namespace orvo
