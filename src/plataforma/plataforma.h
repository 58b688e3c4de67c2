// The platform services one run of the program works with, built once by the entry
// point (real) or by a test (real or fake), and handed to the managers.
#pragma once

#include "plataforma/bucle.h"
#include "plataforma/condiciones.h"
#include "plataforma/descargas.h"
#include "plataforma/espacio.h"
#include "plataforma/http.h"
#include "plataforma/permisos.h"
#include "plataforma/sistema.h"

namespace orvo {

struct Plataforma {
  Bucle& bucle;
  Http& http;
  Espacio& espacio;
  Sistema& sistema;
  Descargas& descargas;
  Permisos& permisos;
  // Whether automatic downloads should wait; a platform without monitors never asks to.
  Condiciones& condiciones = sinCondiciones();
};

}  // namespace orvo
