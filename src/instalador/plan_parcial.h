// Which bytes of a new archive can come from the archive kept from the last installation
// and which must be fetched: entries with the same name, CRC-32, sizes, method and flags
// hold the same compressed bytes, so only the rest travels. No network here: the plan is
// made from the two central directories, then the copy runs from file to file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "comun/resultado.h"
#include "comun/zip_directorio.h"
#include "plataforma/descargas.h"

namespace orvo {

// The kept archive's entries, each checked against its own local header.
struct ZipGuardado {
  std::vector<EntradaDirectorio> entradas;
  std::vector<uint64_t> datos;     // where each entry's compressed bytes start
  std::vector<uint64_t> fines;     // where the next entry (or the directory) starts
  std::vector<bool> cabeceraFija;  // its local header holds nothing a new build could change
  uint64_t total = 0;
};

// Reads and checks the kept archive at `ruta`: a reason when it cannot serve.
Resultado<ZipGuardado> leerGuardado(const std::filesystem::path& ruta);

struct Copia {
  uint64_t desde = 0;  // in the kept archive
  uint64_t hacia = 0;  // in the new one
  uint64_t largo = 0;
  // Set for data followed by a descriptor of 12 or 16 bytes, which only the fetched bytes
  // tell apart: the entry's span ends at `fin`; `hacia`/`largo` cover the bytes that are
  // data either way until resolverDescriptores settles them.
  uint64_t fin = 0;
  uint32_t crc = 0;
  uint64_t comprimido = 0, tam = 0;
};

struct PlanParcial {
  std::vector<Copia> copias;
  std::vector<Tramo> pedir;  // in order, coalesced
  uint64_t aPedir = 0;
  uint64_t copiados = 0;
};

// Neighbouring ranges closer than this are fetched as one: a round trip costs more.
constexpr uint64_t kHuecoMinimo = 16 * 1024;

// The plan for a new archive of `total` bytes whose directory is `nuevo` and whose bytes
// from `yaEsta` on are already at hand.
Resultado<PlanParcial> planear(const std::vector<EntradaDirectorio>& nuevo,
                               const FinDirectorio& fin, uint64_t total, uint64_t yaEsta,
                               const ZipGuardado& guardado);

// Settles the copies that wait for a data descriptor, from the bytes fetched into `destino`.
Error resolverDescriptores(const std::filesystem::path& destino, std::vector<Copia>& copias);
// Copies the plan's settled kept bytes into `destino` at their new places.
Error copiarGuardados(const std::filesystem::path& guardado, const std::filesystem::path& destino,
                      const std::vector<Copia>& copias);

// Bytes [desde, desde + largo) of the file at `ruta`.
Resultado<std::string> leerTrozo(const std::filesystem::path& ruta, uint64_t desde, uint64_t largo);

}  // namespace orvo
