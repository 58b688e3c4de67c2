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
  if (descargando_.contains(id)) return;
  std::weak_ptr<int> vivo = vida_;
  auto& bucle = plataforma_.bucle;
  plataforma_.http.enviar(
      cuenta_.peticion(base.texto(), "skill_ver", Json{{"id", id}}),
      [this, vivo, &bucle, id, confirmada, forzar](RespuestaHttp r) {
        // Decoded here, on the session's thread; the status code is not consulted.
        std::optional<RespuestaSkill> respuesta;
        if (r.estado && !r.excedido && !r.cuerpo.empty())
          if (auto d = decodificar<RespuestaSkill>(r.cuerpo)) respuesta = std::move(d).valor();
        bucle.enPrincipal([this, vivo, id, confirmada, forzar, respuesta = std::move(respuesta)] {
          if (vivo.lock()) responder(id, confirmada, forzar, std::move(respuesta));
        });
      });
}

void Skills::responder(const std::string& id, bool confirmada, bool forzar,
                       std::optional<RespuestaSkill> respuesta) {
  if (!respuesta) return informar(id, "No pude conectarme al servidor");
  const auto& s = respuesta->skill;
  const std::string noDisponible = "Esa skill no está disponible para tu cuenta";
  if (!s || !s->url) return informar(id, respuesta->error.value_or(noDisponible));
  // The folder is named after the id: only the skill that was asked for is placed.
  if (s->id != id) return informar(id, noDisponible);
  auto inst = instalada(id);
  if (s->requiere_confirmacion.value_or(false) && !confirmada)
    return informar(id,
                    "Es una skill pública de otra persona: hay que confirmarla (confirmada=1) "
                    "antes de instalarla");
  if (inst && inst->modificada && !forzar) return informar(id, mensajes_skills::kEditada);
  std::error_code e;
  if (!inst && std::filesystem::exists(std::filesystem::symlink_status(destino() / id, e)))
    return informar(id, mensajes_skills::ajena(id));
  descargarEInstalar(*s, forzar);
}

}  // namespace orvo
