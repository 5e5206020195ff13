#include "database/UnClienteFirebird.h"

#include <type_traits>

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

// Every entry point with the calling convention the 32-bit Windows client exports it with:
// stdcall, and cdecl for the one that takes a variable list.
#define MONITOR_FUNCOES_CLIENTE(X)                          \
  X(isc_attach_database, ChamadaStdcall)                    \
  X(isc_detach_database, ChamadaStdcall)                    \
  X(isc_start_transaction, ChamadaCdeclVariavel)            \
  X(isc_commit_transaction, ChamadaStdcall)                 \
  X(isc_commit_retaining, ChamadaStdcall)                   \
  X(isc_rollback_transaction, ChamadaStdcall)               \
  X(isc_dsql_allocate_statement, ChamadaStdcall)            \
  X(isc_dsql_prepare, ChamadaStdcall)                       \
  X(isc_dsql_describe, ChamadaStdcall)                      \
  X(isc_dsql_execute, ChamadaStdcall)                       \
  X(isc_dsql_execute_immediate, ChamadaStdcall)             \
  X(isc_dsql_fetch, ChamadaStdcall)                         \
  X(isc_dsql_free_statement, ChamadaStdcall)                \
  X(isc_open_blob2, ChamadaStdcall)                         \
  X(isc_get_segment, ChamadaStdcall)                        \
  X(isc_close_blob, ChamadaStdcall)                         \
  X(fb_interpret, ChamadaStdcall)

#if defined(_WIN32) && !defined(_WIN64)
// The table's types come from ibase.h. A pointer of the other convention would unbalance the
// stack at its first call into fbclient.dll or gds32.dll, far from its cause: the build stops
// here instead.
template <class T>
struct ChamadaStdcall : std::false_type {};
template <class R, class... A>
struct ChamadaStdcall<R(__stdcall*)(A...)> : std::true_type {};
template <class T>
struct ChamadaCdeclVariavel : std::false_type {};
template <class R, class... A>
struct ChamadaCdeclVariavel<R(__cdecl*)(A..., ...)> : std::true_type {};
#define MONITOR_CONFERE_CONVENCAO(funcao, convencao)                 \
  static_assert(convencao<decltype(ClienteFirebird::funcao)>::value, \
                #funcao " não tem a convenção de chamada do cliente do Windows");
MONITOR_FUNCOES_CLIENTE(MONITOR_CONFERE_CONVENCAO)
#undef MONITOR_CONFERE_CONVENCAO
#endif

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
#define MONITOR_BUSCA(funcao, convencao) Busca(vBiblioteca, #funcao, vCliente->funcao, sNomes);
  MONITOR_FUNCOES_CLIENTE(MONITOR_BUSCA)
#undef MONITOR_BUSCA
  return vCliente;
}

}  // namespace UnFirebird
