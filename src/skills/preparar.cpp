#include "skills/preparar.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "comun/archivos.h"
#include "comun/carpeta_trabajo.h"
#include "comun/desempaquetar.h"
#include "comun/json_estricto.h"
#include "comun/sha256.h"
#include "skills/huella.h"
#include "skills/skills.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

// A skill is a few files of instructions; far past this, the archive is built to fill the
// disk. Whatever reads the skills folder walks it, so links must not go round.
constexpr MedidaDesempaque kMedidaSkill{.proporcion = 40,
                                        .minimo = 64ull << 20,
                                        .maximo = 256ull << 20,
                                        .entradas = 10'000,
                                        .sinVueltas = true};

bool mismaHuella(std::string a, std::string b) {
  auto bajar = [](std::string& s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  };
  bajar(a);
  bajar(b);
  return a == b;
}

bool archivoComun(const fs::path& p) {
  std::error_code e;
  return fs::is_regular_file(fs::symlink_status(p, e));
}

bool traeSuDescriptor(const fs::path& carpeta, const std::string& id) {
  if (!archivoComun(carpeta / "skill.json")) return false;
  // A descriptor is a few lines; a huge one is not read whole.
  auto texto = leerArchivo(carpeta / "skill.json", 1u << 20);
  if (!texto) return false;
  auto j = analizarJson(*texto);
  if (!j || !j.valor().is_object()) return false;
  auto it = j.valor().find("id");
  return it != j.valor().end() && it->is_string() && it->get<std::string>() == id;
}

void flushear(const fs::path& ruta, int banderas) {
  int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC | banderas);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Every file and folder on disk before the rename that publishes them, so a crash never
// leaves a placed skill with empty files.
void aDisco(const fs::path& carpeta) {
  std::error_code e;
  for (fs::recursive_directory_iterator it(carpeta, e), fin; !e && it != fin; it.increment(e)) {
    std::error_code t;
    auto st = it->symlink_status(t);
    if (fs::is_regular_file(st)) flushear(it->path(), O_NONBLOCK);
    if (fs::is_directory(st)) flushear(it->path(), O_DIRECTORY);
  }
  flushearCarpeta(carpeta);
}

bool mismoDisco(const fs::path& a, const fs::path& b) {
  struct stat sa = {}, sb = {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

bool esUuid(std::string_view t) {
  if (t.size() != 36) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    bool guion = i == 8 || i == 13 || i == 18 || i == 23;
    if (guion != (t[i] == '-')) return false;
    if (!guion && !std::isdigit(static_cast<unsigned char>(t[i])) && (t[i] < 'A' || t[i] > 'F'))
      return false;
  }
  return true;
}

// `.<id>-<UUID>`, the name preparar gives a staging folder in the skills folder, or
// `..<id>-<UUID>.<UUID>`, the hidden copy of one that earlier versions made on the way.
bool esPreparacion(std::string_view n) {
  if (n.size() > 38 && n.starts_with("..") && n[n.size() - 37] == '.' &&
      esUuid(n.substr(n.size() - 36)))
    return esPreparacion(n.substr(1, n.size() - 38));
  return n.size() > 38 && n.front() == '.' && n[n.size() - 37] == '-' &&
         esUuid(n.substr(n.size() - 36)) && Skills::idValido(n.substr(1, n.size() - 38));
}

}  // namespace

void flushearCarpeta(const fs::path& carpeta) { flushear(carpeta, O_DIRECTORY); }

void quitarPreparacionesHuerfanas(const fs::path& destino) {
  std::error_code e;
  for (fs::directory_iterator it(destino, e), fin; !e && it != fin; it.increment(e))
    if (esPreparacion(it->path().filename().string())) quitarSiNadieLaTiene(it->path());
}

bool hayAlgoEn(const fs::path& ruta) {
  std::error_code e;
  return fs::exists(fs::symlink_status(ruta, e));
}

Resultado<Preparada> preparar(const fs::path& zip, const SkillRemota& s, const fs::path& preparando,
                              const fs::path& destino) {
  using R = Resultado<Preparada>;
  if (s.sha256 && !s.sha256->empty()) {
    auto h = sha256(zip);
    if (!h || !mismaHuella(*h, *s.sha256))
      return R::fallo(
          "La descarga no coincide con la publicada (la huella es distinta). No instalé nada.");
  }
  // The exchange that places it works only within one file system: on another one the
  // folder is unpacked beside its target, hidden, and held by this process until placed.
  std::error_code e;
  bool aqui = mismoDisco(preparando, destino);
  fs::path carpeta = aqui ? preparando / (s.id + "-" + uuidMayusculas())
                          : destino / ("." + s.id + "-" + uuidMayusculas());
  std::shared_ptr<CarpetaOcupada> ocupada;
  if (!aqui && fs::create_directory(carpeta, e))
    ocupada = std::make_shared<CarpetaOcupada>(carpeta);
  auto fallar = [&](std::string mensaje) {
    quitarArbol(carpeta);
    return R::fallo(std::move(mensaje));
  };
  if (auto d = desempaquetarAcotado(zip, carpeta, kMedidaSkill); d.fallo != 0)
    return fallar("No pude descomprimir la skill: " + motivoDesempaque(d, "una skill"));
  quitarArbol(carpeta / "__MACOSX");
  if (fs::is_symlink(fs::symlink_status(carpeta / "SKILL.md", e)))
    return fallar("El SKILL.md del zip es un enlace simbólico, no un archivo: no la instalé");
  if (!archivoComun(carpeta / "SKILL.md")) return fallar("El zip no trae SKILL.md");
  if (!traeSuDescriptor(carpeta, s.id)) return fallar("El zip no trae el skill.json de " + s.id);

  aDisco(carpeta);
  Preparada p{carpeta, huella(carpeta), std::nullopt, std::move(ocupada)};
  auto actual = destino / s.id;
  if (hayAlgoEn(actual)) p.huellaActual = huella(actual);
  return R::exito(std::move(p));
}

}  // namespace orvo
