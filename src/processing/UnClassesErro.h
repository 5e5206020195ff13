#pragma once
// What an error costs, decided once where it arises: by the Firebird codes of the whole status
// vector, or by the kind of error the reading of an answer file raises.
#include <exception>

namespace UnClassesErro {

enum class ClasseErro {
  ConexaoPerdida,  // the database is out of reach: notice and end
  ConflitoLinha,   // another user holds the row: that file waits for a later pass
  Quebrado,        // the file is not well-formed XML: set aside once it stops changing
  Grande,          // larger than any answer, never read: set aside at once
  Recusa,          // the database or the program cannot take the file today (a value or row
                   // refused, an element missing, a file that cannot be read): it waits
  Indefinida,      // no class names it: whether the database still answers decides
};

ClasseErro ClassificaErro(const std::exception& erro);

}  // namespace UnClassesErro
