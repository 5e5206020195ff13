#pragma once
// Texts exchanged with a Firebird connection that has no character set travel in the
// workstation's ANSI code page; the monitor works in UTF-8.
#include <stdexcept>
#include <string>
#include <string_view>

namespace UnCodigoAnsi {

// Raised for a text with a character the code page has no exact equivalent for.
class ESemEquivalente : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string DeAnsi(std::string_view texto);
// Exact or not at all: the system's nearest match ("best fit") would turn look-alikes such as
// the full-width apostrophe into a plain quote after the statement was quoted. Raises
// ESemEquivalente.
std::string ParaAnsi(std::string_view texto);
// Whether ParaAnsi takes the text.
bool Representavel(std::string_view texto);

}  // namespace UnCodigoAnsi
