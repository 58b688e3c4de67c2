// The texts that more than one step of the skills pipeline reports.
#pragma once

#include <string>

namespace orvo::mensajes_skills {

inline const char* kEditada =
    "La editaste a mano: para reemplazarla con la publicada, pide instalar con forzar=1";

// Names the assistant's usual folder even when OV_SKILLS points elsewhere.
inline std::string ajena(const std::string& id) {
  return "Ya hay una skill «" + id +
         "» en ~/.claude/skills que no instaló Orvo Suite: no la reemplazo";
}

}  // namespace orvo::mensajes_skills
