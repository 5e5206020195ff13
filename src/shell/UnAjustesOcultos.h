#pragma once
// Times the tests shorten through the environment; users never see or set them.
#include <cstdint>

namespace UnAjustesOcultos {

// The variable's value in milliseconds when it holds a whole number, else `padrao`.
int64_t Milissegundos(const char* variavel, int64_t padrao);

}  // namespace UnAjustesOcultos
