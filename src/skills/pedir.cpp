// A request from a link: the service is asked about the skill, then every check runs in
// order before anything is downloaded.
#include "catalogo/catalogo.h"
#include "cuenta/cuenta.h"
#include "skills/mensajes.h"
#include "skills/skills.h"

namespace orvo {

void Skills::pedir(const std::string& accion, const std::string& id, bool confirmada, bool forzar) {
  if (!idValido(id)) return;
  if (accion == "quitar") return quitar(id);
  auto base = catalogo_.base();
  if (!base.esServidor() || catalogo_.necesitaLogin())
    return informar(id, "Inicia sesión en Orvo Suite para instalar skills");
  if (!catalogo_.manifiesto) {
    pedidos_.push_back({accion, id, confirmada, forzar});
    return;
  }
  // A request for an id already on its way joins it, with its flags.
  if (auto en = enCurso_.find(id); en != enCurso_.end()) {
    en->second.confirmada = en->second.confirmada || confirmada;
    en->second.forzar = en->second.forzar || forzar;
    return;
  }
  if (descargando_.contains(id)) return;
  enCurso_[id] = {confirmada, forzar};
  std::weak_ptr<int> vivo = vida_;
  auto& bucle = plataforma_.bucle;
  auto peticion = cuenta_.peticion(base.texto(), "skill_ver", Json{{"id", id}});
  plataforma_.http.enviar(std::move(peticion), [this, vivo, &bucle, id](RespuestaHttp r) {
    // Decoded here, on the session's thread; the status code is not consulted.
    std::optional<RespuestaSkill> respuesta;
    if (r.estado && !r.excedido && !r.cuerpo.empty())
      if (auto d = decodificar<RespuestaSkill>(r.cuerpo)) respuesta = std::move(d).valor();
    bucle.enPrincipal([this, vivo, id, respuesta = std::move(respuesta)] {
      if (vivo.lock()) responder(id, respuesta);
    });
  });
}

void Skills::responder(const std::string& id, std::optional<RespuestaSkill> respuesta) {
  auto banderas = enCurso_[id];
  auto terminar = [&](const std::string& mensaje) {
    enCurso_.erase(id);
    informar(id, mensaje);
  };
  if (!respuesta) return terminar("No pude conectarme al servidor");
  const auto& s = respuesta->skill;
  const std::string noDisponible = "Esa skill no está disponible para tu cuenta";
  if (!s || !s->url) return terminar(respuesta->error.value_or(noDisponible));
  // The folder is named after the id: only the skill that was asked for is placed.
  if (s->id != id) return terminar(noDisponible);
  auto inst = instalada(id);
  if (s->requiere_confirmacion.value_or(false) && !banderas.confirmada)
    return terminar(
        "Es una skill pública de otra persona: hay que confirmarla (confirmada=1) antes de "
        "instalarla");
  if (inst && inst->modificada && !banderas.forzar) return terminar(mensajes_skills::kEditada);
  if (!inst && hayAlgoEn(destino() / id)) return terminar(mensajes_skills::ajena(id));
  descargarEInstalar(*s);
  // The request ends with its placement; here when no download started.
  if (!descargando_.contains(id)) enCurso_.erase(id);
}

}  // namespace orvo
