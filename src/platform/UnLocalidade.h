#pragma once
// The workstation's regional settings and clock.
#include <cstdint>
#include <string>

namespace UnLocalidade {

struct DataHora {
  int iAno = 0, iMes = 0, iDia = 0, iHora = 0, iMinuto = 0, iSegundo = 0, iMilissegundo = 0;
};

std::string SeparadorMilhar();
DataHora HoraLocal(int64_t milissegundosUtc);
DataHora Agora();
int64_t AgoraMilissegundos();  // UTC
// Short date, and when the time is not 00:00:00 a blank and the long time.
std::string FormataDataHoraPadrao(const DataHora& d);

}  // namespace UnLocalidade
