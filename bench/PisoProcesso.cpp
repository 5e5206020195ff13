// The floor as a process of its own, for start-up and memory: the Firebird client alone (and
// the embedded engine when the database is a plain path). Given only the database it makes
// one idle pass; given a Retorno folder it runs the statements and moves of every answer lying
// there. Then it prints its peak resident set.
#include <unistd.h>

#include <iostream>
#include <stdexcept>

#include "UnConexaoDireta.h"
#include "UnPisoDireto.h"
#include "UnProcessoMedicao.h"
#include "UnRespostasMedicao.h"

int main(int argc, char** argv) {
  using namespace UnRespostasMedicao;
  if (argc != 2 && argc != 4) {
    std::cerr << "usage: medicao_piso_processo DATABASE [RETORNO/ RETORNO/OK/]" << std::endl;
    return 2;
  }
  try {
    ConexaoDireta banco(argv[1], "sysdba", "tollbrisk");
    const std::string retorno = argc == 4 ? argv[2] : "", ok = argc == 4 ? argv[3] : "";
    if (retorno.empty()) UnPisoDireto::PassoOcioso(banco);
    for (TipoResposta tipo : {TipoResposta::NumeroLote, TipoResposta::Evento, TipoResposta::Situacao}) {
      if (retorno.empty()) break;
      std::vector<CTeMedicao> ctes;
      for (const std::string& nome :
           UnPisoDireto::ListaPasta(retorno.substr(0, retorno.size() - 1), MascaraTipo(tipo)))
        ctes.push_back(CTeDoNome(tipo, nome));
      UnPisoDireto::PassoRespostas(banco, retorno, ok, tipo, ctes, false);
    }
    std::cout << "VmHWM_kB " << UnProcessoMedicao::LeStatusKiB(getpid(), "VmHWM") << std::endl;
    return 0;
  } catch (const std::exception& erro) {
    std::cerr << erro.what() << std::endl;
    return 1;
  }
}
