#include "instalador/descarga_parcial.h"

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace orvo {

namespace {

std::string mb(int64_t bytes) { return std::to_string((bytes + 524'288) / 1'048'576); }

}  // namespace

DescargaParcial::DescargaParcial(Bucle& bucle, Descargas& sesion, PeticionHttp peticion,
                                 std::filesystem::path guardado, std::filesystem::path destino,
                                 Avance avance, Listo listo)
    : bucle_(bucle),
      sesion_(sesion),
      peticion_(std::move(peticion)),
      guardado_(std::move(guardado)),
      destino_(std::move(destino)),
      avance_(std::move(avance)),
      listo_(std::move(listo)) {}

template <class T>
void DescargaParcial::aparte(std::function<T()> trabajo, std::function<void(T)> luego) {
  std::weak_ptr<DescargaParcial> yo = shared_from_this();
  Bucle& bucle = bucle_;
  bucle.enSegundoPlano([yo, trabajo = std::move(trabajo), luego = std::move(luego), &bucle] {
    auto r = std::make_shared<T>(trabajo());
    bucle.enPrincipal([yo, r, luego] {
      if (auto p = yo.lock(); p && p->listo_) luego(std::move(*r));
    });
  });
}

void DescargaParcial::comenzar() {
  auto guardado = guardado_, destino = destino_;
  aparte<Resultado<ZipGuardado>>(
      [guardado, destino] {
        int fd = ::open(destino.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return Resultado<ZipGuardado>::fallo("no pude crear " + destino.string());
        ::close(fd);
        return leerGuardado(guardado);
      },
      [this](Resultado<ZipGuardado> g) {
        if (!g) return acabar(g.error());
        copia_ = std::make_shared<const ZipGuardado>(std::move(g).valor());
        pedir({{-static_cast<int64_t>(kColaZip), 0}}, [this](RespuestaTramos) { conCola(); });
      });
}

void DescargaParcial::pedir(std::vector<Tramo> tramos, std::function<void(RespuestaTramos)> luego) {
  std::weak_ptr<DescargaParcial> yo = shared_from_this();
  int64_t base = enSitio_;
  auto avance = [yo, base](int64_t n) {
    if (auto p = yo.lock(); p && p->listo_ && p->avance_) p->avance_(base + n, p->total_);
  };
  auto listo = [yo, base, luego = std::move(luego)](RespuestaTramos r) {
    auto p = yo.lock();
    if (!p || !p->listo_) return;
    p->tarea_.reset();
    p->pedidos_ += r.recibidos;
    p->enSitio_ = base + r.recibidos;
    if (r.duda) return p->acabar(r.duda);
    p->total_ = r.total;
    p->validador_ = r.validador;
    if (p->avance_) p->avance_(p->enSitio_, p->total_);
    luego(std::move(r));
  };
  tarea_ = sesion_.pedirTramos(
      PedidoTramos{peticion_, std::move(tramos), destino_, validador_, total_}, avance, listo);
}

void DescargaParcial::conCola() {
  auto destino = destino_;
  int64_t total = total_;
  aparte<Resultado<FinDirectorio>>(
      [destino, total] {
        uint64_t n = std::min<uint64_t>(total, kColaZip);
        auto cola = leerTrozo(destino, total - n, n);
        if (!cola) return Resultado<FinDirectorio>::fallo(cola.error());
        return leerFinDirectorio(cola.valor(), total);
      },
      [this](Resultado<FinDirectorio> fin) {
        if (!fin) return acabar(fin.error());
        fin_ = fin.valor();
        int64_t cola = total_ - std::min<int64_t>(total_, kColaZip);
        yaEsta_ = std::min<int64_t>(cola, fin_.inicio);
        if (yaEsta_ >= cola) return conDirectorio();
        pedir({{yaEsta_, cola}}, [this](RespuestaTramos) { conDirectorio(); });
      });
}

void DescargaParcial::conDirectorio() {
  struct Listo {
    Resultado<PlanParcial> plan;
    Error copiado;
  };
  auto destino = destino_, guardado = guardado_;
  auto copia = copia_;
  auto fin = fin_;
  uint64_t total = total_, yaEsta = yaEsta_;
  aparte<Listo>(
      [=] {
        auto bytes = leerTrozo(destino, fin.inicio, fin.largo);
        if (!bytes) return Listo{Resultado<PlanParcial>::fallo(bytes.error()), {}};
        auto entradas = leerDirectorio(bytes.valor(), fin);
        if (!entradas) return Listo{Resultado<PlanParcial>::fallo(entradas.error()), {}};
        auto plan = planear(entradas.valor(), fin, total, yaEsta, *copia);
        if (!plan || plan.valor().aPedir > kTopeParcial * total) return Listo{std::move(plan), {}};
        auto copiado = copiarGuardados(guardado, destino, plan.valor().copias);
        return Listo{std::move(plan), copiado};
      },
      [this](Listo l) {
        if (!l.plan) return acabar(l.plan.error());
        const auto& plan = l.plan.valor();
        if (plan.aPedir > kTopeParcial * total_)
          return acabar("habría que bajar " + mb(plan.aPedir) + " MB de " + mb(total_) + " MB");
        if (l.copiado) return acabar(*l.copiado);
        enSitio_ += plan.copiados;
        if (avance_) avance_(enSitio_, total_);
        auto copias = std::make_shared<std::vector<Copia>>(plan.copias);
        pedir(plan.pedir, [this, copias](RespuestaTramos) { conDescriptores(copias); });
      });
}

void DescargaParcial::conDescriptores(std::shared_ptr<std::vector<Copia>> copias) {
  auto destino = destino_, guardado = guardado_;
  aparte<Error>(
      [destino, guardado, copias] {
        std::erase_if(*copias, [](const Copia& c) { return !c.fin; });
        if (copias->empty()) return Error{};
        if (auto fallo = resolverDescriptores(destino, *copias)) return fallo;
        return copiarGuardados(guardado, destino, *copias);
      },
      [this](Error fallo) { acabar(fallo); });
}

void DescargaParcial::acabar(std::optional<std::string> duda) {
  auto listo = std::exchange(listo_, nullptr);
  if (listo) listo(Fin{std::move(duda), pedidos_, total_});
}

void DescargaParcial::cancelar() {
  listo_ = nullptr;
  if (tarea_) sesion_.cancelar(*tarea_);
  tarea_.reset();
}

}  // namespace orvo
