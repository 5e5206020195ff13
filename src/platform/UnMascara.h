#pragma once
// File-name wildcard matching as Windows does it for long names: "*" any run, "?" one
// character, letters compared without regard to case.
#include <string>
#include <string_view>
#include <vector>

namespace UnMascara {

bool CombinaMascara(std::string_view nome, std::string_view mascara);
// Letters a to z turned to A to Z; nothing else changes.
std::string MaiusculasAscii(std::string_view texto);
// Ascending order, letters compared without regard to case.
bool MenorSemCaixa(std::string_view a, std::string_view b);
// Sorts names in the order of MenorSemCaixa.
void OrdenaSemCaixa(std::vector<std::string>& nomes);

}  // namespace UnMascara
