// One release from download to its place in the skills folder.
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "catalogo/catalogo.h"
#include "comun/archivos.h"
#include "comun/fechas.h"
#include "comun/log.h"
#include "skills/mensajes.h"
#include "skills/skills.h"

namespace orvo {

namespace fs = std::filesystem;

namespace {

// Skill archives are small; this only stops a runaway answer from filling the disk.
constexpr size_t kLimiteDescarga = size_t(512) << 20;

// A rename that fails instead of replacing what appeared at `hacia` since it was checked.
int renombrarSinReemplazar(const fs::path& desde, const fs::path& hacia) {
  if (::syscall(SYS_renameat2, AT_FDCWD, desde.c_str(), AT_FDCWD, hacia.c_str(),
                RENAME_NOREPLACE) == 0)
    return 0;
  return errno;
}

// The system's own words at the end of an error text ("…: Device or resource busy").
std::string textoDelSistema(const std::string& error) {
  auto corte = error.rfind(": ");
  return corte == std::string::npos ? error : error.substr(corte + 2);
}

}  // namespace

void Skills::descargarEInstalar(const SkillRemota& s) {
  if (!s.url || descargando_.contains(s.id)) return;
  descargando_.insert(s.id);
  avisar();
  Log::escribir("skill " + s.id + ": descargar " + s.version.value_or(""));
  auto preparando = carpeta() / ".preparando";
  auto hacia = destino();
  std::weak_ptr<int> vivo = vida_;
  auto& bucle = plataforma_.bucle;
  auto terminar = [this, vivo, &bucle, s](Resultado<Preparada> r) {
    bucle.enPrincipal([this, vivo, s, r = std::move(r)]() mutable {
      if (vivo.lock()) preparada(s, std::move(r));
    });
  };
  // The archive's checks and unpacking run on a worker.
  auto revisar = [&bucle, s, preparando, hacia, terminar](fs::path zip, bool suyo) {
    bucle.enSegundoPlano([s, preparando, hacia, terminar, zip, suyo] {
      auto r = preparar(zip, s, preparando, hacia);
      std::error_code e;
      if (suyo) fs::remove(zip, e);
      terminar(std::move(r));
    });
  };

  auto origen = catalogo_.urlDe(*s.url);
  if (origen.enDisco()) return revisar(origen.archivo, false);
  auto zip = preparando / (s.id + "-" + uuidMayusculas() + ".zip");
  auto peticion = catalogo_.solicitud(*origen.url);
  peticion.limiteCuerpo = kLimiteDescarga;
  plataforma_.http.descargar(std::move(peticion), zip, [revisar, terminar, zip](RespuestaHttp r) {
    using R = Resultado<Preparada>;
    std::error_code e;
    if (!r.estado || r.excedido) {
      fs::remove(zip, e);
      return terminar(R::fallo("Se cortó la descarga: " +
                               r.error.value_or("el archivo es más grande de lo permitido")));
    }
    if (*r.estado >= 400) {
      fs::remove(zip, e);
      return terminar(R::fallo("El servidor respondió " + std::to_string(*r.estado)));
    }
    revisar(zip, true);
  });
}

void Skills::preparada(const SkillRemota& s, Resultado<Preparada> r) {
  descargando_.erase(s.id);
  if (r)
    colocar(s, r.valor());
  else
    informar(s.id, r.error());
  enCurso_.erase(s.id);
}

void Skills::colocar(const SkillRemota& s, const Preparada& p) {
  auto objetivo = destino() / s.id;
  std::error_code e;
  auto descartar = [&](const std::string& mensaje) {
    quitarArbol(p.carpeta);
    informar(s.id, mensaje);
  };
  // Looked at again here: the folder may have changed while the archive came.
  auto inst = instalada(s.id);
  bool ocupado = hayAlgoEn(objetivo);
  if (ocupado && !inst) return descartar(mensajes_skills::ajena(s.id));
  bool editada = ocupado && p.huellaActual != inst->huella;
  auto pedido = enCurso_.find(s.id);
  if (editada && (pedido == enCurso_.end() || !pedido->second.forzar))
    return descartar(mensajes_skills::kEditada);

  quitarPreparacionesHuerfanas(destino());
  SkillInstalada nueva{s.id,
                       s.nombre,
                       s.version.value_or(""),
                       s.build,
                       s.alcance,
                       s.dueno ? s.dueno->email : std::nullopt,
                       objetivo.string(),
                       textoFecha(ahoraUtc()),
                       p.huella,
                       false,
                       std::nullopt};
  auto esta = [&](const SkillInstalada& x) { return x.id == s.id; };
  // Announced before anything moves: whatever instant a kill comes, start-up tells this
  // folder by its fingerprint and records it.
  if (auto error = anotar([&](auto& lista) {
        std::erase_if(lista, esta);
        lista.push_back(nueva);
      }))
    return descartar("No pude colocar la skill (" + *error + ")");
  Error fallo;
  if (editada) {
    // Replacing an edited copy keeps it recoverable, as a removal does.
    if (auto error = guardarAparte(s.id, objetivo))
      fallo = "No pude apartar la copia editada (" + *error + ")";
    ocupado = hayAlgoEn(objetivo);
  }
  if (!fallo && !ocupado) {
    if (int codigo = renombrarSinReemplazar(p.carpeta, objetivo))
      fallo = "No pude colocar la skill (" + std::string(std::strerror(codigo)) + ")";
  } else if (!fallo) {
    if (auto error = intercambiar(p.carpeta, objetivo))
      fallo = "No pude reemplazar la skill (" + textoDelSistema(*error) + ")";
    else
      quitarArbol(p.carpeta);  // the old copy, swapped out
  }
  if (fallo) {
    (void)anotar([&](auto& lista) {
      std::erase_if(lista, esta);
      if (inst) lista.push_back(*inst);
    });
    return descartar(*fallo);
  }
  flushearCarpeta(destino());

  cambiar([&](InstaladasSkills& d) {
    std::erase_if(d.skills, esta);
    d.skills.push_back(nueva);
    d.errores.erase(s.id);
  });
  Log::escribir("skill " + s.id + " " + s.version.value_or("") + " instalada");
}

}  // namespace orvo
