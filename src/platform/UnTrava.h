#pragma once
// Exclusive, non-blocking locks on files: one monitor per session, one per company folder.
#include <string>

namespace UnTrava {

class Trava {
 public:
  enum class Resultado { Obtida, Ocupada, Impossivel };
  Trava() = default;
  ~Trava();
  Trava(const Trava&) = delete;
  Trava& operator=(const Trava&) = delete;
  // Creates the file when missing and takes the lock without waiting.
  Resultado Obtem(const std::string& arquivo);
  void Libera();

 private:
  long long descritor_ = -1;
};

}  // namespace UnTrava
