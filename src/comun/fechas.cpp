#include "comun/fechas.h"

#include <cstdio>

namespace orvo {

using namespace std::chrono;

std::string textoFecha(Instante t) {
  auto dias = floor<days>(t);
  year_month_day ymd{dias};
  hh_mm_ss hms{t - dias};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(ymd.year()),
                unsigned(ymd.month()), unsigned(ymd.day()), int(hms.hours().count()),
                int(hms.minutes().count()), int(hms.seconds().count()));
  return buf;
}

Instante ahoraUtc() { return floor<seconds>(system_clock::now()); }

namespace {
bool digitos(std::string_view s, size_t pos, size_t n, int& valor) {
  if (pos + n > s.size()) return false;
  valor = 0;
  for (size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    valor = valor * 10 + (s[i] - '0');
  }
  return true;
}
}  // namespace

std::optional<Instante> leerFecha(std::string_view s) {
  int a, me, d, h, mi, se;
  if (!digitos(s, 0, 4, a) || s.size() < 20 || s[4] != '-' || !digitos(s, 5, 2, me) ||
      s[7] != '-' || !digitos(s, 8, 2, d) || (s[10] != 'T' && s[10] != 't') ||
      !digitos(s, 11, 2, h) || s[13] != ':' || !digitos(s, 14, 2, mi) || s[16] != ':' ||
      !digitos(s, 17, 2, se))
    return std::nullopt;
  year_month_day ymd{year{a}, month{unsigned(me)}, day{unsigned(d)}};
  if (!ymd.ok() || h > 23 || mi > 59 || se > 59) return std::nullopt;
  std::string_view zona = s.substr(19);
  int desfase = 0;
  if (zona == "Z" || zona == "z") {
    desfase = 0;
  } else if (zona.size() == 6 || zona.size() == 5) {
    int zh, zm;
    bool conDosPuntos = zona.size() == 6;
    if ((zona[0] != '+' && zona[0] != '-') || !digitos(zona, 1, 2, zh) ||
        (conDosPuntos && zona[3] != ':') || !digitos(zona, conDosPuntos ? 4 : 3, 2, zm) ||
        zh > 23 || zm > 59)
      return std::nullopt;
    desfase = (zh * 60 + zm) * 60 * (zona[0] == '-' ? -1 : 1);
  } else {
    return std::nullopt;
  }
  return sys_days{ymd} + hours{h} + minutes{mi} + seconds{se} - seconds{desfase};
}

}  // namespace orvo
