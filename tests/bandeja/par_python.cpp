#include "par_python.h"

#include <gtest/gtest.h>

namespace orvo::prueba {

bool girarHasta(const std::function<bool()>& listo, std::chrono::milliseconds limite) {
  bool vencido = false;
  guint reloj = g_timeout_add(
      limite.count(), [](gpointer v) { return *static_cast<bool*>(v) = true, G_SOURCE_REMOVE; },
      &vencido);
  while (!listo() && !vencido) g_main_context_iteration(nullptr, TRUE);
  if (!vencido) g_source_remove(reloj);
  return listo();
}

ParPython::ParPython(const std::string& guion, const std::vector<std::string>& argumentos) {
  std::string ruta = std::string(ORVO_PARES_BANDEJA) + "/" + guion;
  std::vector<const char*> orden{"/usr/bin/python3", "-u", ruta.c_str()};
  for (const auto& a : argumentos) orden.push_back(a.c_str());
  orden.push_back(nullptr);
  GError* error = nullptr;
  proceso_ = g_subprocess_newv(
      orden.data(),
      GSubprocessFlags(G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE), &error);
  if (!proceso_) {
    ADD_FAILURE() << "No pude iniciar " << guion << ": " << error->message;
    g_error_free(error);
    return;
  }
  salida_ = g_data_input_stream_new(g_subprocess_get_stdout_pipe(proceso_));
  leer();
}

ParPython::~ParPython() {
  if (proceso_) {
    matar();
    g_object_unref(salida_);
    g_object_unref(proceso_);
  }
  g_object_unref(cancelar_);
}

void ParPython::leer() {
  g_data_input_stream_read_line_async(
      salida_, G_PRIORITY_DEFAULT, cancelar_,
      [](GObject* origen, GAsyncResult* resultado, gpointer yo) {
        gsize largo = 0;
        GError* error = nullptr;
        char* linea = g_data_input_stream_read_line_finish(G_DATA_INPUT_STREAM(origen), resultado,
                                                           &largo, &error);
        bool cancelada = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_clear_error(&error);
        if (cancelada) return;  // `yo` may be gone
        auto* par = static_cast<ParPython*>(yo);
        if (!linea) {
          par->cerrada_ = true;
          return;
        }
        par->lineas_.emplace_back(linea, largo);
        g_free(linea);
        par->leer();
      },
      this);
}

std::optional<nlohmann::json> ParPython::siguiente(std::chrono::milliseconds limite) {
  if (!girarHasta([&] { return !lineas_.empty() || cerrada_; }, limite) || lineas_.empty())
    return std::nullopt;
  auto linea = std::move(lineas_.front());
  lineas_.pop_front();
  return nlohmann::json::parse(linea);
}

void ParPython::escribir(const std::string& linea) {
  std::string texto = linea + "\n";
  g_output_stream_write_all(g_subprocess_get_stdin_pipe(proceso_), texto.data(), texto.size(),
                            nullptr, nullptr, nullptr);
}

void ParPython::matar() {
  g_cancellable_cancel(cancelar_);
  g_subprocess_force_exit(proceso_);
  g_subprocess_wait(proceso_, nullptr, nullptr);
}

}  // namespace orvo::prueba
