#pragma once
// The floor: the work a pass cannot avoid, done straight with the database client and the
// file system, without the monitor. Each function mirrors one measured piece of the monitor.
#include <string>
#include <vector>

#include "UnConexaoDireta.h"
#include "UnRespostasMedicao.h"

namespace UnPisoDireto {

// The ten file masks, in the order the processors list them.
extern const std::vector<std::string> MASCARAS;

// Plain, non-hidden files of `pasta` matching `mascara` (case ignored), sorted without case.
std::vector<std::string> ListaPasta(const std::string& pasta, const std::string& mascara);

// An idle pass: the root folder and company look-ups, the folder checks of every company
// and the ten listings of its Retorno folder, then the hard commit. Returns the files seen.
size_t PassoOcioso(ConexaoDireta& banco);

// The statements and moves of one pass over the answers of `tipo` for `ctes` lying in
// `retorno` (ending with a separator): the same texts, each change followed by
// " commit retain", each file renamed into `ok`. With `relista` the folder is listed again
// after every answer, as a processor refreshes its list before it takes the next one.
void PassoRespostas(ConexaoDireta& banco, const std::string& retorno, const std::string& ok,
                    UnRespostasMedicao::TipoResposta tipo,
                    const std::vector<UnRespostasMedicao::CTeMedicao>& ctes, bool relista);

}  // namespace UnPisoDireto
