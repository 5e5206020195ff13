// The memory floor of a large pass: a process with the Firebird client alone (and the embedded
// engine when the database is a plain path) that runs the statements and moves of every
// answer lying in a Retorno folder, then prints its peak resident set.
#include <unistd.h>

#include <iostream>
#include <stdexcept>

#include "UnConexaoDireta.h"
#include "UnPisoDireto.h"
#include "UnProcessoMedicao.h"
#include "UnRespostasMedicao.h"

int main(int argc, char** argv) {
  using namespace UnRespostasMedicao;
  if (argc != 4) {
    std::cerr << "usage: medicao_piso_memoria DATABASE RETORNO/ RETORNO/OK/" << std::endl;
    return 2;
  }
  try {
    const std::string retorno = argv[2], ok = argv[3];
    ConexaoDireta banco(argv[1], "sysdba", "tollbrisk");
    for (TipoResposta tipo : {TipoResposta::NumeroLote, TipoResposta::Evento, TipoResposta::Situacao}) {
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
