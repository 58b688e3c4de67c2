// A downloaded skill archive checked and unpacked into a staging folder that is ready to
// be renamed into the skills folder. Runs on a worker thread; touches only its own folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "comun/resultado.h"
#include "skills/registros.h"

namespace orvo {

struct Preparada {
  // On the skills folder's file system and flushed to disk, so one rename places it.
  std::filesystem::path carpeta;
  std::string huella;
  // The fingerprint of whatever sits at the target now; absent when nothing does.
  std::optional<std::string> huellaActual;
};

// Checks `zip` against `s.sha256`, unpacks it into a new folder in `preparando`, drops
// "__MACOSX", and requires a SKILL.md and a skill.json whose "id" is `s.id`. A failure
// leaves no staging folder behind and says why in Spanish.
Resultado<Preparada> preparar(const std::filesystem::path& zip, const SkillRemota& s,
                              const std::filesystem::path& preparando,
                              const std::filesystem::path& destino);

}  // namespace orvo
