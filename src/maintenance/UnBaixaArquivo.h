#pragma once
// One file fetched from a web server.
#include <string>

namespace UnBaixaArquivo {

// GETs `endereco` into `destino`: true for a complete success answer. An http address is
// tried over https first, and over http when the server does not answer there. A destination
// that cannot be created raises UnHttp::EArquivoDestino; on false the file stays for the
// caller.
bool BaixaArquivo(const std::string& endereco, const std::string& destino);

}  // namespace UnBaixaArquivo
