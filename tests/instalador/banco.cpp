#include "banco.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>

#include <sys/wait.h>

#include "apoyo/ordenes.h"
#include "comun/archivos.h"
#include "comun/sha256.h"
#include "plataforma/linux/procesos.h"
#include "shell/prueba_instalacion.h"

namespace orvo::prueba {

namespace fs = std::filesystem;

Banco::Banco(bool descargasReales)
    : apps(t / "Aplicaciones"), datos(t / "datos"), carpeta(t / "fuente") {
  fs::create_directories(apps);
  fs::create_directories(carpeta);
  fs::create_directories(t / "casa");
  fs::create_directories(t / "tmp");
  sistema.casa = t / "casa";
  sistema.datos = t / "xdg";
  sistema.temporal = t / "tmp";
  sistema.variables["OV_DESTINO"] = apps.string();
  sistema.variables["OV_DATOS"] = datos.string();
  espacio = std::make_unique<EspacioLinux>(apps, t / "xdg/applications", bucle);
  if (descargasReales) curl = std::make_unique<DescargasCurl>(bucle, t / "tmp");
  administrador(false);
  Descargas& descargas = curl ? static_cast<Descargas&>(*curl) : guion;
  nucleo = std::make_unique<Nucleo>(
      Plataforma{bucle, http, *espacio, sistema, descargas, permisos});
  instalador().alCambiar = [this](const Instalacion& i) {
    auto l = PruebaInstalacion::linea(i);
    if (lineas.empty() || lineas.back() != l) lineas.push_back(l);
  };
  instalador().alTerminar = [this](const Instalacion&) { ++terminadas; };
}

Banco::~Banco() {
  nucleo.reset();
  // The installer opens apps detached; none may outlive the test.
  const auto raiz = t.ruta().string();
  for (const auto& p : procesosVivos())
    for (const auto& exe : p.ejecutables)
      if (exe.string().starts_with(raiz)) {
        ::kill(p.pid, SIGKILL);
        break;
      }
}

AppRemota Banco::empaquetar(const std::string& id, const std::string& version,
                            const std::string& script, bool ejecutable, size_t relleno) {
  auto nombre = "Prueba " + id;
  auto claves = clavesDe("com.orvo.prueba." + id, id);
  claves["CFBundleShortVersionString"] = version;
  auto obra = t / "obra" / id / version;
  fs::remove_all(obra);
  auto bundle = crearBundle(obra, nombre, claves, script);
  if (!ejecutable) fs::permissions(bundle / "Contents/MacOS" / id, fs::perms(0644));
  if (relleno) {
    std::mt19937 g(7);
    std::string datos(relleno, '\0');
    for (auto& c : datos) c = static_cast<char>(g());
    fs::create_directories(bundle / "Contents/Resources");
    std::ofstream(bundle / "Contents/Resources/relleno.bin", std::ios::binary) << datos;
  }
  auto zip = carpeta / (id + ".zip");
  fs::remove(zip);
  auto r = ejecutar("cd '" + obra.string() + "' && /usr/bin/zip -qry '" + zip.string() + "' '" +
                    nombre + ".app'");
  EXPECT_EQ(r.estado, 0);
  AppRemota app;
  app.id = id;
  app.nombre = nombre;
  app.bundle = "com.orvo.prueba." + id;
  app.app = nombre + ".app";
  app.version = version;
  app.url = id + ".zip";
  app.sha256 = sha256(zip);
  app.tam = static_cast<int64_t>(fs::file_size(zip));
  return app;
}

AppRemota Banco::publicar(const std::string& id, const std::string& version,
                          const std::string& script) {
  auto app = empaquetar(id, version, script);
  servidor.publicar("/" + id + ".zip",
                    {.datos = *leerArchivo(carpeta / (id + ".zip")), .etag = "\"" + version + "\""});
  catalogo().cambiarAjustes([&](Ajustes& a) { a.fuente = servidor.base(); });
  return app;
}

fs::path Banco::instalarAMano(const std::string& id, const std::string& version,
                              const std::string& script) {
  auto claves = clavesDe("com.orvo.prueba." + id, id);
  claves["CFBundleShortVersionString"] = version;
  return crearBundle(apps, "Prueba " + id, claves, script);
}

void Banco::administrador(bool acepta) {
  auto guion = t / (acepta ? "pkexec-acepta" : "pkexec-sin-agente");
  std::ofstream(guion) << (acepta ? "#!/bin/sh\nexec \"$@\"\n" : "#!/bin/sh\nexit 127\n");
  fs::permissions(guion, fs::perms(0755));
  permisos.real = std::make_unique<PermisosLinux>(guion.string());
}

bool Banco::esperarFin(const std::string& id, double segundos, std::optional<Fase> fase) {
  auto listo = [&] {
    auto inst = instalador().enCurso(id);
    return !inst || (fase && inst->fase == *fase);
  };
  auto fin = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
  while (std::chrono::steady_clock::now() < fin) {
    if (bucle.esperarHasta(listo, 0.02)) return true;
    auto inst = instalador().enCurso(id);
    if (inst && (inst->zip || !inst->tarea)) bucle.avanzar(0.25);
  }
  return listo();
}

std::string Banco::log() const { return leerArchivo(datos / "suite.log").value_or(""); }

}  // namespace orvo::prueba
