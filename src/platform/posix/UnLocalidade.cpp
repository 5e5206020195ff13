// Regional settings come from the environment (LANG, LC_*) without touching the program's
// global locale, so number parsing and formatting elsewhere stay in the C conventions.
#include "platform/UnLocalidade.h"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <cstring>

namespace UnLocalidade {

namespace {

// The environment's locale for one category; the C locale when the environment names none
// or one that is not installed.
locale_t LocaleDoAmbiente(int mascara) {
  locale_t loc = newlocale(mascara, "", static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) loc = newlocale(mascara, "C", static_cast<locale_t>(0));
  return loc;
}

locale_t LocaleNumeros() {
  static const locale_t loc = LocaleDoAmbiente(LC_NUMERIC_MASK);
  return loc;
}

locale_t LocaleHoras() {
  static const locale_t loc = LocaleDoAmbiente(LC_TIME_MASK);
  return loc;
}

// The C and POSIX locales carry no regional date formats of their own; the Brazilian
// workstation's short date and long time stand in for them.
bool EhLocaleNeutro(locale_t loc) {
  const char* nome = loc ? nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), loc) : nullptr;
  return !nome || !*nome || std::strcmp(nome, "C") == 0 || std::strcmp(nome, "POSIX") == 0 ||
         std::strncmp(nome, "C.", 2) == 0;
}

std::string Formata(const char* formato, const struct tm& t, locale_t loc) {
  char texto[128];
  const size_t tamanho = loc ? strftime_l(texto, sizeof texto, formato, &t, loc)
                             : strftime(texto, sizeof texto, formato, &t);
  return std::string(texto, tamanho);
}

}  // namespace

// The C locale has no thousands separator; the Brazilian one, ".", stands in for it.
std::string SeparadorMilhar() {
  const locale_t loc = LocaleNumeros();
  const char* separador = loc ? nl_langinfo_l(THOUSEP, loc) : nullptr;
  if (!separador || !*separador) return ".";
  return separador;
}

DataHora HoraLocal(int64_t milissegundosUtc) {
  int64_t segundos = milissegundosUtc / 1000;
  int64_t resto = milissegundosUtc % 1000;
  if (resto < 0) {
    resto += 1000;
    --segundos;
  }
  const time_t instante = static_cast<time_t>(segundos);
  struct tm t {};
  if (!localtime_r(&instante, &t)) return {};
  return {t.tm_year + 1900, t.tm_mon + 1,           t.tm_mday, t.tm_hour, t.tm_min,
          t.tm_sec,         static_cast<int>(resto)};
}

int64_t AgoraMilissegundos() {
  struct timespec agora {};
  clock_gettime(CLOCK_REALTIME, &agora);
  return static_cast<int64_t>(agora.tv_sec) * 1000 + agora.tv_nsec / 1000000;
}

int64_t MonotonicoMilissegundos() {
  struct timespec agora {};
  clock_gettime(CLOCK_MONOTONIC, &agora);
  return static_cast<int64_t>(agora.tv_sec) * 1000 + agora.tv_nsec / 1000000;
}

DataHora Agora() { return HoraLocal(AgoraMilissegundos()); }

std::string FormataDataHoraPadrao(const DataHora& d) {
  struct tm t {};
  t.tm_year = d.iAno - 1900;
  t.tm_mon = d.iMes - 1;
  t.tm_mday = d.iDia;
  t.tm_hour = d.iHora;
  t.tm_min = d.iMinuto;
  t.tm_sec = d.iSegundo;
  t.tm_isdst = -1;
  struct tm normalizada = t;  // week day and year day, for formats that name them
  timegm(&normalizada);
  t.tm_wday = normalizada.tm_wday;
  t.tm_yday = normalizada.tm_yday;
  const locale_t loc = LocaleHoras();
  const bool neutro = EhLocaleNeutro(loc);
  std::string texto = Formata(neutro ? "%d/%m/%Y" : nl_langinfo_l(D_FMT, loc), t, loc);
  if (d.iHora != 0 || d.iMinuto != 0 || d.iSegundo != 0) {
    texto += ' ';
    texto += Formata(neutro ? "%H:%M:%S" : nl_langinfo_l(T_FMT, loc), t, loc);
  }
  return texto;
}

}  // namespace UnLocalidade
