#pragma once
// The workstation's regional settings and clock.
#include <cstdint>
#include <string>

namespace UnLocalidade {

struct DataHora {
  int iAno = 0, iMes = 0, iDia = 0, iHora = 0, iMinuto = 0, iSegundo = 0, iMilissegundo = 0;
};

std::string SeparadorMilhar();
// Days since 1970-01-01 of a civil date (proleptic Gregorian).
inline int64_t DiasDesdeEpoca(int64_t ano, int mes, int dia) {
  ano -= mes <= 2;
  const int64_t era = (ano >= 0 ? ano : ano - 399) / 400;
  const int64_t anoDaEra = ano - era * 400;
  const int64_t diaDoAno = (153 * (mes + (mes > 2 ? -3 : 9)) + 2) / 5 + dia - 1;
  const int64_t diaDaEra = anoDaEra * 365 + anoDaEra / 4 - anoDaEra / 100 + diaDoAno;
  return era * 146097 + diaDaEra - 719468;
}
DataHora HoraLocal(int64_t milissegundosUtc);
DataHora Agora();
int64_t AgoraMilissegundos();  // UTC: the time of day, for what is shown and logged
// A clock that never steps (the time of day set back or forward, a machine resumed): every
// duration the monitor waits out is measured on it. Its zero is of no meaning.
int64_t MonotonicoMilissegundos();
// Short date, and when the time is not 00:00:00 a blank and the long time.
std::string FormataDataHoraPadrao(const DataHora& d);

}  // namespace UnLocalidade
