// The workstation's clock and formats behind the counters and the version label.
#include <gtest/gtest.h>

#include "platform/UnLocalidade.h"

using UnLocalidade::DataHora;
using UnLocalidade::FormataDataHoraPadrao;

TEST(Localidade, MeiaNoiteOmiteAHora) {
  DataHora d;
  d.iAno = 2012;
  d.iMes = 6;
  d.iDia = 5;
  const std::string data = FormataDataHoraPadrao(d);
  EXPECT_EQ(data.find(' '), std::string::npos) << data;
  EXPECT_NE(data.find("2012"), std::string::npos) << data;
  EXPECT_NE(data.find("05"), std::string::npos) << data;
  d.iHora = 10;
  d.iMinuto = 11;
  d.iSegundo = 12;
  const std::string dataHora = FormataDataHoraPadrao(d);
  EXPECT_EQ(dataHora.substr(0, data.size() + 1), data + " ") << dataHora;
  EXPECT_NE(dataHora.find("10:11:12"), std::string::npos) << dataHora;
  // One second past midnight already shows the time.
  d.iHora = d.iMinuto = 0;
  d.iSegundo = 1;
  EXPECT_NE(FormataDataHoraPadrao(d).find("00:00:01"), std::string::npos);
}

TEST(Localidade, SeparadorDeMilharNuncaVazio) {
  EXPECT_FALSE(UnLocalidade::SeparadorMilhar().empty());
}

TEST(Localidade, HoraLocalDosMilissegundos) {
  const DataHora agora = UnLocalidade::HoraLocal(UnLocalidade::AgoraMilissegundos());
  EXPECT_GE(agora.iAno, 2024);
  EXPECT_GE(agora.iMes, 1);
  EXPECT_LE(agora.iMes, 12);
  EXPECT_EQ(UnLocalidade::HoraLocal(1338891072345).iMilissegundo, 345);
  // Before 1970 the milliseconds still count forward within their second.
  EXPECT_EQ(UnLocalidade::HoraLocal(-1).iMilissegundo, 999);
  EXPECT_EQ(UnLocalidade::HoraLocal(-1).iSegundo, 59);
  EXPECT_GE(UnLocalidade::Agora().iAno, 2024);
}
