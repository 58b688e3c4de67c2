#include "comun/desempaquetar.h"

#include <archive.h>
#include <archive_entry.h>

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

bool copiar_datos(archive* lector, archive* escritor) {
  for (;;) {
    const void* bloque = nullptr;
    size_t tam = 0;
    la_int64_t desplazamiento = 0;
    int r = archive_read_data_block(lector, &bloque, &tam, &desplazamiento);
    if (r == ARCHIVE_EOF) return true;
    if (r < ARCHIVE_WARN) return false;
    if (archive_write_data_block(escritor, bloque, tam, desplazamiento) < ARCHIVE_WARN) {
      return false;
    }
  }
}

}  // namespace

int desempaquetar(const fs::path& zip, const fs::path& destino) {
  std::error_code ec;
  if (!fs::is_regular_file(zip, ec)) return 1;
  fs::create_directories(destino, ec);
  if (ec) return 2;
  // Entries get the resolved destination as prefix, so the prefix itself holds no symlink
  // that the symlink check would trip over, and no "..".
  fs::path base = fs::canonical(destino, ec);
  if (ec || !fs::is_directory(base, ec)) return 2;

  std::unique_ptr<archive, CerrarLectura> lector(archive_read_new());
  std::unique_ptr<archive, CerrarEscritura> escritor(archive_write_disk_new());
  if (!lector || !escritor) return 3;
  archive_read_support_format_zip(lector.get());
  archive_read_support_filter_none(lector.get());
  // Absolute names are refused by nombre_seguro(); the flag for them cannot be set because
  // every path handed to the writer is absolute once prefixed.
  archive_write_disk_set_options(escritor.get(), ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_TIME |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                     ARCHIVE_EXTRACT_SECURE_NODOTDOT);
  if (archive_read_open_filename(lector.get(), zip.c_str(), 1 << 20) != ARCHIVE_OK) return 4;

  const std::string prefijo = base.string() + "/";
  int resultado = 0;
  for (;;) {
    archive_entry* entrada = nullptr;
    int r = archive_read_next_header(lector.get(), &entrada);
    if (r == ARCHIVE_EOF) break;
    if (r < ARCHIVE_WARN) {
      resultado = 5;
      break;
    }
    const char* nombre = nombre_de(entrada);
    if (!nombre_seguro(nombre)) {
      resultado = 6;
      break;
    }
    archive_entry_copy_pathname(entrada, (prefijo + nombre).c_str());
    if (const char* enlace = archive_entry_hardlink(entrada)) {
      if (!nombre_seguro(enlace)) {
        resultado = 6;
        break;
      }
      archive_entry_copy_hardlink(entrada, (prefijo + enlace).c_str());
    }
    if (archive_write_header(escritor.get(), entrada) < ARCHIVE_WARN) {
      resultado = 7;
      break;
    }
    if (!copiar_datos(lector.get(), escritor.get())) {
      resultado = 8;
      break;
    }
    if (archive_write_finish_entry(escritor.get()) < ARCHIVE_WARN) {
      resultado = 8;
      break;
    }
  }
  // Closing applies the deferred directory modes and times, so it can fail too.
  if (archive_write_close(escritor.get()) < ARCHIVE_WARN && resultado == 0) resultado = 9;
  return resultado;
}

}  // namespace orvo
