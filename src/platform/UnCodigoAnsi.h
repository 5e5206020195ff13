#pragma once
// Texts exchanged with a Firebird connection that has no character set travel in the
// workstation's ANSI code page; the monitor works in UTF-8.
#include <string>
#include <string_view>

namespace UnCodigoAnsi {

std::string DeAnsi(std::string_view texto);
std::string ParaAnsi(std::string_view texto);

}  // namespace UnCodigoAnsi
