#include "comun/desempaquetar.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <memory>
#include <string>
#include <system_error>

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

int copiar_datos(archive* lector, archive* escritor, uint64_t& quedan) {
  for (;;) {
    const void* bloque = nullptr;
    size_t tam = 0;
    la_int64_t desplazamiento = 0;
    int r = archive_read_data_block(lector, &bloque, &tam, &desplazamiento);
    if (r == ARCHIVE_EOF) return 0;
    if (r < ARCHIVE_WARN) return kDanado;
    if (tam > quedan) return kDemasiado;
    quedan -= tam;
    if (archive_write_data_block(escritor, bloque, tam, desplazamiento) != ARCHIVE_OK)
      return fallo_de_escritura(escritor);
  }
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
    // A declared size past the bound is refused before a byte of it is written.
    if (++entradas > limites.entradas ||
        (archive_entry_size_is_set(entrada) && uint64_t(archive_entry_size(entrada)) > quedan)) {
      resultado = kDemasiado;
      break;
    }
    archive_entry_copy_pathname(entrada, (prefijo + nombre).c_str());
    if (enlace) archive_entry_copy_hardlink(entrada, (prefijo + enlace).c_str());
    if (archive_write_header(escritor.get(), entrada) != ARCHIVE_OK) {
      resultado = fallo_de_escritura(escritor.get());
      break;
    }
    resultado = copiar_datos(lector.get(), escritor.get(), quedan);
    if (resultado == 0 && archive_write_finish_entry(escritor.get()) != ARCHIVE_OK)
      resultado = fallo_de_escritura(escritor.get());
  }
  // Closing applies the deferred directory modes and times, so it can fail too.
  if (archive_write_close(escritor.get()) != ARCHIVE_OK && resultado == 0)
    resultado = fallo_de_escritura(escritor.get());
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
    default:
      return "falló la escritura de los archivos";
  }
}

}  // namespace orvo
