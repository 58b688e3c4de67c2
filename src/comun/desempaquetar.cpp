#include "comun/desempaquetar.h"

#include <archive.h>
#include <archive_entry.h>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace orvo {

namespace {

namespace fs = std::filesystem;

struct CerrarLectura {
  void operator()(archive* a) const { archive_read_free(a); }
};
struct CerrarEscritura {
  void operator()(archive* a) const { archive_write_free(a); }
};

// Entry names come from the network; only plain relative names that stay below the
// destination are allowed, checked before any prefix is added.
bool nombre_seguro(const char* nombre) {
  if (nombre == nullptr || *nombre == '\0') return false;
  fs::path p(nombre);
  if (p.is_absolute() || p.has_root_name() || p.has_root_directory()) return false;
  for (const auto& parte : p) {
    if (parte == "..") return false;
  }
  return true;
}

const char* nombre_de(archive_entry* e) {
  const char* n = archive_entry_pathname(e);
  return n != nullptr ? n : archive_entry_pathname_utf8(e);
}

// A link may only point at something inside the destination. Leading ".." steps climb real
// folders (entries are never written through links), so they are counted against the
// link's own depth; a ".." after a name could climb out of a link and is refused.
bool enlace_seguro(const char* nombre, const char* destino) {
  if (destino == nullptr || *destino == '\0') return false;
  fs::path d(destino);
  if (d.is_absolute() || d.has_root_name() || d.has_root_directory()) return false;
  long profundidad = 0;
  for (const auto& parte : fs::path(nombre).parent_path())
    if (!parte.empty() && parte != ".") ++profundidad;
  bool subiendo = true;
  for (const auto& parte : d) {
    if (parte.empty() || parte == ".") continue;
    if (parte == "..") {
      if (!subiendo || --profundidad < 0) return false;
    } else {
      subiendo = false;
    }
  }
  return true;
}

// A write error of any kind fails the unpack: libarchive reports a failed write(2), a full
// disk among them, only as a warning.
int fallo_de_escritura(archive* escritor) {
  int codigo = archive_errno(escritor);
  return codigo == ENOSPC || codigo == EDQUOT ? kSinEspacio : kNoEscrito;
}

// libarchive reports a bad CRC or a size that does not match the header only as a warning;
// the data is not what was published either way.
int copiar_datos(archive* lector, archive* escritor, uint64_t& quedan, uint64_t& copiados) {
  for (;;) {
    const void* bloque = nullptr;
    size_t tam = 0;
    la_int64_t desplazamiento = 0;
    int r = archive_read_data_block(lector, &bloque, &tam, &desplazamiento);
    if (r == ARCHIVE_EOF) return 0;
    if (r != ARCHIVE_OK) return kDanado;
    if (tam > quedan) return kDemasiado;
    quedan -= tam;
    copiados += tam;
    if (archive_write_data_block(escritor, bloque, tam, desplazamiento) != ARCHIVE_OK)
      return fallo_de_escritura(escritor);
  }
}

// Only what the program may own: no set-uid, set-gid or sticky bit, nothing others may write.
constexpr mode_t kModosPermitidos = 0755;

bool tipo_admitido(archive_entry* e) {
  auto tipo = archive_entry_filetype(e);
  // A zip made without Unix modes has no type; the writer makes it a plain file.
  return tipo == 0 || tipo == AE_IFREG || tipo == AE_IFDIR || tipo == AE_IFLNK;
}

// A link goes round when resolving it loops, or when it resolves to a folder that holds it.
// Its own folder is real (nothing is written through links), so the paths compare as text.
bool da_vueltas(const std::string& ruta) {
  struct stat st {};
  if (::stat(ruta.c_str(), &st) != 0) return errno == ELOOP;
  if (!S_ISDIR(st.st_mode)) return false;
  char* real = ::realpath(ruta.c_str(), nullptr);
  if (real == nullptr) return true;
  std::string destino(real);
  std::free(real);
  std::string padre = fs::path(ruta).parent_path().string();
  return padre == destino || padre.starts_with(destino + "/");
}

// Free bytes on the disk that holds `ruta`, or its nearest folder that exists.
uint64_t libre_en(fs::path ruta) {
  struct statvfs v {};
  while (::statvfs(ruta.c_str(), &v) != 0) {
    if (!ruta.has_relative_path()) return UINT64_MAX;
    ruta = ruta.parent_path();
  }
  return uint64_t(v.f_bavail) * v.f_frsize;
}

}  // namespace

int desempaquetar(const fs::path& zip, const fs::path& destino, const LimitesDesempaque& limites) {
  std::error_code ec;
  if (!fs::is_regular_file(zip, ec)) return kSinZip;
  fs::create_directories(destino, ec);
  if (ec) return kSinDestino;
  // Entries get the resolved destination as prefix, so the prefix itself holds no symlink
  // that the symlink check would trip over, and no "..".
  fs::path base = fs::canonical(destino, ec);
  if (ec || !fs::is_directory(base, ec)) return kSinDestino;

  std::unique_ptr<archive, CerrarLectura> lector(archive_read_new());
  std::unique_ptr<archive, CerrarEscritura> escritor(archive_write_disk_new());
  if (!lector || !escritor) return kNoEscrito;
  archive_read_support_format_zip(lector.get());
  archive_read_support_filter_none(lector.get());
  // Absolute names are refused by nombre_seguro(); the flag for them cannot be set because
  // every path handed to the writer is absolute once prefixed.
  archive_write_disk_set_options(escritor.get(), ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_TIME |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                     ARCHIVE_EXTRACT_SECURE_NODOTDOT);
  if (archive_read_open_filename(lector.get(), zip.c_str(), 1 << 20) != ARCHIVE_OK) return kSinZip;

  const std::string prefijo = base.string() + "/";
  uint64_t quedan = limites.bytes, entradas = 0;
  std::vector<std::string> enlaces;
  int resultado = 0;
  while (resultado == 0) {
    archive_entry* entrada = nullptr;
    int r = archive_read_next_header(lector.get(), &entrada);
    if (r == ARCHIVE_EOF) break;
    // Reading warns about names it cannot convert to the locale; those are still written.
    if (r < ARCHIVE_WARN) {
      resultado = kDanado;
      break;
    }
    const char* nombre = nombre_de(entrada);
    const char* enlace = archive_entry_hardlink(entrada);
    const char* simbolico = archive_entry_symlink(entrada);
    if (!nombre_seguro(nombre) || (enlace && !nombre_seguro(enlace)) ||
        (simbolico && !enlace_seguro(nombre, simbolico))) {
      resultado = kInseguro;
      break;
    }
    if (!enlace && !tipo_admitido(entrada)) {
      resultado = kEspecial;
      break;
    }
    // A declared size past the bound is refused before a byte of it is written.
    bool declarado = archive_entry_size_is_set(entrada);
    uint64_t tam = declarado ? uint64_t(archive_entry_size(entrada)) : 0;
    if (++entradas > limites.entradas || tam > quedan) {
      resultado = kDemasiado;
      break;
    }
    archive_entry_set_perm(entrada, archive_entry_perm(entrada) & kModosPermitidos);
    // Its data is counted against the declared size below; left to the writer, a short
    // entry would be stretched to that size as a sparse file of any size.
    archive_entry_unset_size(entrada);
    // Setting the path frees the names read above.
    const std::string ruta = prefijo + nombre;
    if (simbolico && limites.sinVueltas) enlaces.push_back(ruta);
    if (enlace) archive_entry_copy_hardlink(entrada, (prefijo + enlace).c_str());
    archive_entry_copy_pathname(entrada, ruta.c_str());
    if (archive_write_header(escritor.get(), entrada) != ARCHIVE_OK) {
      resultado = fallo_de_escritura(escritor.get());
      break;
    }
    uint64_t copiados = 0;
    resultado = copiar_datos(lector.get(), escritor.get(), quedan, copiados);
    bool archivo = !enlace && !simbolico && archive_entry_filetype(entrada) != AE_IFDIR;
    if (resultado == 0 && archivo && declarado && copiados != tam) resultado = kDanado;
    if (resultado == 0 && archive_write_finish_entry(escritor.get()) != ARCHIVE_OK)
      resultado = fallo_de_escritura(escritor.get());
  }
  // Closing applies the deferred directory modes and times, so it can fail too.
  if (archive_write_close(escritor.get()) != ARCHIVE_OK && resultado == 0)
    resultado = fallo_de_escritura(escritor.get());
  if (resultado == 0 && std::any_of(enlaces.begin(), enlaces.end(), da_vueltas))
    resultado = kVueltas;
  return resultado;
}

std::string motivoDesempaque(int fallo) {
  switch (fallo) {
    case kSinZip:
      return "el archivo no es un zip que se pueda leer";
    case kSinDestino:
      return "no pude crear la carpeta donde desempaquetar";
    case kDanado:
      return "el zip está dañado o incompleto";
    case kInseguro:
      return "el zip trae rutas o enlaces que salen de su carpeta";
    case kSinEspacio:
      return "no queda espacio en el disco";
    case kDemasiado:
      return "el zip se expande mucho más de lo que cabe o de lo razonable";
    case kEspecial:
      return "el zip trae dispositivos o tuberías, que no son archivos";
    case kVueltas:
      return "el zip trae enlaces que dan vueltas sobre sí mismos";
    default:
      return "falló la escritura de los archivos";
  }
}

Desempaque desempaquetarAcotado(const fs::path& zip, const fs::path& destino,
                                const MedidaDesempaque& medida) {
  // Left free on the disk, for everything else on the machine.
  constexpr uint64_t kReserva = 16ull << 20;
  std::error_code e;
  uint64_t tam = fs::file_size(zip, e);
  if (e) tam = 0;
  uint64_t porArchivo = tam > UINT64_MAX / std::max<uint64_t>(medida.proporcion, 1)
                            ? UINT64_MAX
                            : tam * medida.proporcion;
  uint64_t razonable = std::min(medida.maximo, std::max(medida.minimo, porArchivo));
  uint64_t libre = libre_en(destino);
  libre = libre > kReserva ? libre - kReserva : 0;
  LimitesDesempaque limites;
  limites.bytes = std::min(razonable, libre);
  limites.entradas = medida.entradas;
  limites.sinVueltas = medida.sinVueltas;
  int fallo = desempaquetar(zip, destino, limites);
  return {fallo, fallo == kSinEspacio || (fallo == kDemasiado && libre < razonable)};
}

std::string motivoDesempaque(const Desempaque& d, const std::string& item) {
  if (d.porEspacio) return "no queda espacio en el disco";
  if (d.fallo == kDemasiado) return "se expande mucho más de lo razonable para " + item;
  return motivoDesempaque(d.fallo);
}

}  // namespace orvo
