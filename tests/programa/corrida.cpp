#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "programa/maquina.h"

namespace orvo::prueba {

using Reloj = std::chrono::steady_clock;

std::map<std::string, std::string> arbol(const std::filesystem::path& raiz) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> items;
  std::error_code e;
  for (fs::recursive_directory_iterator it(raiz, e), fin; !e && it != fin; it.increment(e)) {
    auto rel = fs::relative(it->path(), raiz).string();
    auto st = it->symlink_status();
    auto modo = std::to_string(static_cast<int>(st.permissions()));
    if (fs::is_symlink(st))
      items[rel] = "enlace " + fs::read_symlink(it->path()).string();
    else if (fs::is_directory(st))
      items[rel] = "carpeta " + modo;
    else
      items[rel] = "archivo " + modo + " " + leerArchivo(it->path()).value_or("?");
  }
  return items;
}

Corrida::Corrida(const std::vector<std::string>& entorno) {
  int tubo[2];
  if (::pipe2(tubo, O_CLOEXEC) != 0) return;
  std::vector<char*> env;
  for (const auto& v : entorno) env.push_back(const_cast<char*>(v.c_str()));
  env.push_back(nullptr);
  char* argv[] = {const_cast<char*>(ORVO_BINARIO), nullptr};
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(tubo[1], 1);
    ::dup2(tubo[1], 2);
    ::execve(ORVO_BINARIO, argv, env.data());
    ::_exit(127);
  }
  ::close(tubo[1]);
  salida_ = tubo[0];
}

Corrida::~Corrida() {
  matar();
  if (salida_ >= 0) ::close(salida_);
}

int Corrida::leer(int milisegundos) {
  pollfd p{salida_, POLLIN, 0};
  if (::poll(&p, 1, milisegundos) <= 0) return 0;
  char buf[4096];
  auto n = ::read(salida_, buf, sizeof buf);
  if (n <= 0) return -1;
  texto.append(buf, size_t(n));
  return 1;
}

bool Corrida::esperarLinea(const std::function<bool(const std::string&)>& cual, double segundos) {
  auto fin = Reloj::now() + std::chrono::duration<double>(segundos);
  for (;;) {
    for (size_t j; (j = texto.find('\n', visto_)) != std::string::npos; visto_ = j + 1)
      if (cual(texto.substr(visto_, j - visto_))) {
        visto_ = j + 1;
        return true;
      }
    if (Reloj::now() >= fin || leer(20) < 0) return false;
  }
}

void Corrida::cortar(int lineas, const std::string& con, int ms) {
  for (int i = 0; i < lineas; ++i)
    esperarLinea([&](const std::string& l) { return l.find(con) != std::string::npos; }, 30);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Corrida::matar() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

int Corrida::terminar(double segundos) {
  auto fin = Reloj::now() + std::chrono::duration<double>(segundos);
  int estado = 0;
  while (pid_ > 0 && Reloj::now() < fin) {
    leer(50);
    if (::waitpid(pid_, &estado, WNOHANG) == pid_) {
      pid_ = -1;
      // What it wrote last may still be in the pipe.
      while (leer(0) > 0) {
      }
      return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    }
  }
  return -1;
}

}  // namespace orvo::prueba
