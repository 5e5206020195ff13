#pragma once
// What the targets over answer files share: the input loaded as a document, and reading steps
// whose designed errors (a missing required element, a value that is not digits) end quietly.
#include <cstddef>
#include <cstdint>

#include "ComumFuzz.h"
#include "platform/UnXml.h"
#include "processing/UnFuncoesCTe.h"

namespace LeituraFuzz {

// False when the input is not a well-formed document.
inline bool CarregaResposta(UnXml::XmlDocumento& doc, const uint8_t* dados, size_t tamanho) {
  try {
    doc.CarregaTexto(ComumFuzz::Texto(dados, tamanho));
    return true;
  } catch (const UnXml::EXmlErro&) {
    return false;
  }
}

template <class TPasso>
void Le(TPasso&& passo) {
  try {
    passo();
  } catch (const UnXml::EXmlErro&) {
  } catch (const UnFuncoesCTe::EValorInvalido&) {
  }
}

}  // namespace LeituraFuzz
