#pragma once
// The monitor's texts are UTF-8; the Windows API takes and gives UTF-16.
#include <string>
#include <string_view>

namespace UnTextoLargo {

std::wstring Largo(std::string_view texto);
std::string Estreito(std::wstring_view texto);

}  // namespace UnTextoLargo
