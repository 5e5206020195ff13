#include "database/UnClienteFirebird.h"

#include "database/UnFirebird.h"
#include "platform/UnBiblioteca.h"

namespace UnFirebird {

namespace {

std::string JuntaNomes(const std::vector<std::string>& nomes) {
  std::string sNomes;
  for (const std::string& sNome : nomes) sNomes += (sNomes.empty() ? "" : ", ") + sNome;
  return sNomes;
}

template <class TFuncao>
void Busca(void* biblioteca, const char* nome, TFuncao& funcao, const std::string& nomes) {
  funcao = reinterpret_cast<TFuncao>(UnBiblioteca::Funcao(biblioteca, nome));
  if (!funcao)
    throw EIBError("EIBClientError", "A biblioteca cliente do Firebird (" + nomes + ") não tem a função " + nome + ".");
}

}  // namespace

std::shared_ptr<ClienteFirebird> CarregaCliente(const std::vector<std::string>& nomes) {
  const std::string sNomes = JuntaNomes(nomes);
  std::string sErro;
  // The library stays loaded for the rest of the process: its threads outlive any connection.
  void* vBiblioteca = UnBiblioteca::Carrega(nomes, sErro);
  if (!vBiblioteca)
    throw EIBError("EIBClientError",
                   "Não foi possível carregar a biblioteca cliente do Firebird (" + sNomes + "): " + sErro);
  auto vCliente = std::make_shared<ClienteFirebird>();
#define MONITOR_BUSCA(funcao) Busca(vBiblioteca, #funcao, vCliente->funcao, sNomes)
  MONITOR_BUSCA(isc_attach_database);
  MONITOR_BUSCA(isc_detach_database);
  MONITOR_BUSCA(isc_start_transaction);
  MONITOR_BUSCA(isc_commit_transaction);
  MONITOR_BUSCA(isc_commit_retaining);
  MONITOR_BUSCA(isc_rollback_transaction);
  MONITOR_BUSCA(isc_dsql_allocate_statement);
  MONITOR_BUSCA(isc_dsql_prepare);
  MONITOR_BUSCA(isc_dsql_describe);
  MONITOR_BUSCA(isc_dsql_execute);
  MONITOR_BUSCA(isc_dsql_execute_immediate);
  MONITOR_BUSCA(isc_dsql_fetch);
  MONITOR_BUSCA(isc_dsql_free_statement);
  MONITOR_BUSCA(isc_open_blob2);
  MONITOR_BUSCA(isc_get_segment);
  MONITOR_BUSCA(isc_close_blob);
  MONITOR_BUSCA(fb_interpret);
#undef MONITOR_BUSCA
  return vCliente;
}

}  // namespace UnFirebird
