#pragma once
// What an error costs, decided once where it arises: by the Firebird codes of the whole status
// vector, or by the kind of error the reading of an answer file raises.
#include <exception>

namespace UnClassesErro {

enum class ClasseErro {
  ConexaoPerdida,  // the database is out of reach: notice and end
  ConflitoLinha,   // another user holds the row: that file waits for a later pass
  FalhaArquivo,    // the file itself (unreadable, incomplete, malformed, a value refused)
  Passo,           // anything else: the pass cannot run at all
};

ClasseErro ClassificaErro(const std::exception& erro);

}  // namespace UnClassesErro
