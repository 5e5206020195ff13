#pragma once
// A file's last write as the update check compares it.
#include <string>

namespace UnDataArquivo {

// Last write in local time, cut to the two-second steps of the FAT/DOS date-time format,
// in the workstation's default date-time format; empty when the file cannot be seen.
std::string RetornaDataArquivo(const std::string& caminho);

}  // namespace UnDataArquivo
