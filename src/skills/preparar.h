// A downloaded skill archive checked and unpacked into a staging folder that is ready to
// be renamed into the skills folder. Runs on a worker thread; touches only its own folder.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "comun/carpeta_trabajo.h"
#include "comun/resultado.h"
#include "skills/registros.h"

namespace orvo {

struct Preparada {
  // On the skills folder's file system and flushed to disk, so one rename places it.
  std::filesystem::path carpeta;
  std::string huella;
  // The fingerprint of whatever sits at the target now; absent when nothing does.
  std::optional<std::string> huellaActual;
  // Held while a staging folder in the skills folder waits, so that no clean-up takes it.
  std::shared_ptr<CarpetaOcupada> ocupada;
};

// Flushes a folder's own entries to disk, so a rename into it survives a crash.
void flushearCarpeta(const std::filesystem::path& carpeta);

// Removes the hidden staging folders that killed placements left in the skills folder
// `destino`, and nothing else: only names this program gives them, only folders no live
// placement holds.
void quitarPreparacionesHuerfanas(const std::filesystem::path& destino);

// Whether anything, even a dangling symbolic link, sits at `ruta`.
bool hayAlgoEn(const std::filesystem::path& ruta);

// Checks `zip` against `s.sha256`, unpacks it into a new folder in `preparando` (or, when
// that is on another file system than `destino`, a hidden one in `destino`), drops
// "__MACOSX", and requires a SKILL.md and a skill.json whose "id" is `s.id`. A failure
// leaves no staging folder behind and says why in Spanish.
Resultado<Preparada> preparar(const std::filesystem::path& zip, const SkillRemota& s,
                              const std::filesystem::path& preparando,
                              const std::filesystem::path& destino);

}  // namespace orvo
