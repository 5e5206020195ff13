/* fbclient.dll for the Windows build under Wine, in tests only: every entry point the monitor
 * looks up is handed to the Linux client library, so MonitorCTe.exe talks to the real engine.
 * Built with winegcc as a Wine builtin DLL; never shipped.
 *
 * The Windows side calls with the Windows client's conventions (stdcall, and cdecl varargs for
 * isc_start_transaction); the Linux library is called with its own. The structures the calls
 * share (status vector, XSQLDA, handles) have the same layout on both sides of one bitness.
 *
 * The workstation names its database with a Windows path ("C:\...\ERP.FDB", or
 * "servidor:C:\...\ERP.FDB" for a server on the same machine), in an attachment and in CREATE
 * DATABASE; the engine sees the Unix path of that file. */
#include <dlfcn.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <windef.h>
#include <winbase.h>
#include <winnls.h>

#include <ibase.h>

typedef ISC_STATUS (*TAttach)(ISC_STATUS*, short, const ISC_SCHAR*, isc_db_handle*, short,
                              const ISC_SCHAR*);
typedef ISC_STATUS (*TBanco)(ISC_STATUS*, isc_db_handle*);
typedef ISC_STATUS (*TTransacao)(ISC_STATUS*, isc_tr_handle*);
typedef ISC_STATUS (*TIniciaVarias)(ISC_STATUS*, isc_tr_handle*, short, void*);
typedef ISC_STATUS (*TAloca)(ISC_STATUS*, isc_db_handle*, isc_stmt_handle*);
typedef ISC_STATUS (*TPrepara)(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                               const ISC_SCHAR*, unsigned short, XSQLDA*);
typedef ISC_STATUS (*TDescreve)(ISC_STATUS*, isc_stmt_handle*, unsigned short, XSQLDA*);
typedef ISC_STATUS (*TExecuta)(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                               const XSQLDA*);
typedef ISC_STATUS (*TExecutaImediato)(ISC_STATUS*, isc_db_handle*, isc_tr_handle*,
                                       unsigned short, const ISC_SCHAR*, unsigned short,
                                       const XSQLDA*);
typedef ISC_STATUS (*TBusca)(ISC_STATUS*, isc_stmt_handle*, unsigned short, const XSQLDA*);
typedef ISC_STATUS (*TLibera)(ISC_STATUS*, isc_stmt_handle*, unsigned short);
typedef ISC_STATUS (*TAbreBlob)(ISC_STATUS*, isc_db_handle*, isc_tr_handle*, isc_blob_handle*,
                                ISC_QUAD*, ISC_USHORT, const ISC_UCHAR*);
typedef ISC_STATUS (*TLeSegmento)(ISC_STATUS*, isc_blob_handle*, unsigned short*, unsigned short,
                                  ISC_SCHAR*);
typedef ISC_STATUS (*TFechaBlob)(ISC_STATUS*, isc_blob_handle*);
typedef ISC_LONG (*TInterpreta)(ISC_SCHAR*, unsigned int, const ISC_STATUS**);

/* One database of isc_start_multiple, as the Linux library reads it. */
typedef struct {
  isc_db_handle* banco;
  int tamanho;
  const ISC_SCHAR* parametros;
} TBancoDaTransacao;

static struct {
  TAttach isc_attach_database;
  TBanco isc_detach_database;
  TIniciaVarias isc_start_multiple;
  TTransacao isc_commit_transaction;
  TTransacao isc_commit_retaining;
  TTransacao isc_rollback_transaction;
  TAloca isc_dsql_allocate_statement;
  TPrepara isc_dsql_prepare;
  TDescreve isc_dsql_describe;
  TExecuta isc_dsql_execute;
  TExecutaImediato isc_dsql_execute_immediate;
  TBusca isc_dsql_fetch;
  TLibera isc_dsql_free_statement;
  TAbreBlob isc_open_blob2;
  TLeSegmento isc_get_segment;
  TFechaBlob isc_close_blob;
  TInterpreta fb_interpret;
} cliente;

static BOOL CarregaCliente(void) {
  void* biblioteca = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!biblioteca) return FALSE;
#define PONTE_BUSCA(funcao) \
  if (!(*(void**)&cliente.funcao = dlsym(biblioteca, #funcao))) return FALSE
  PONTE_BUSCA(isc_attach_database);
  PONTE_BUSCA(isc_detach_database);
  PONTE_BUSCA(isc_start_multiple);
  PONTE_BUSCA(isc_commit_transaction);
  PONTE_BUSCA(isc_commit_retaining);
  PONTE_BUSCA(isc_rollback_transaction);
  PONTE_BUSCA(isc_dsql_allocate_statement);
  PONTE_BUSCA(isc_dsql_prepare);
  PONTE_BUSCA(isc_dsql_describe);
  PONTE_BUSCA(isc_dsql_execute);
  PONTE_BUSCA(isc_dsql_execute_immediate);
  PONTE_BUSCA(isc_dsql_fetch);
  PONTE_BUSCA(isc_dsql_free_statement);
  PONTE_BUSCA(isc_open_blob2);
  PONTE_BUSCA(isc_get_segment);
  PONTE_BUSCA(isc_close_blob);
  PONTE_BUSCA(fb_interpret);
#undef PONTE_BUSCA
  return TRUE;
}

/* A missing Linux library makes LoadLibrary fail, as a missing fbclient.dll would. */
BOOL WINAPI DllMain(HINSTANCE instancia, DWORD motivo, LPVOID reservado) {
  (void)instancia;
  (void)reservado;
  return motivo != DLL_PROCESS_ATTACH || CarregaCliente();
}

#define PONTE_TAMANHO_NOME 4096

static int ComecaComUnidade(const char* caminho) {
  return ((caminho[0] | 0x20) >= 'a' && (caminho[0] | 0x20) <= 'z') && caminho[1] == ':' &&
         (caminho[2] == '\\' || caminho[2] == '/');
}

/* The Unix name of a Windows path. Wine names it through its drive links ("dosdevices/c:"),
 * and a colon in the middle of a path would read as a host name to Firebird: the folder is
 * given by its real name. */
static int CaminhoUnix(const char* caminho, char* destino, size_t tamanho) {
  WCHAR largo[PONTE_TAMANHO_NOME];
  char* unix_;
  char* barra;
  char pasta[PATH_MAX];
  int ok = 0;
  if (MultiByteToWideChar(CP_ACP, 0, caminho, -1, largo, PONTE_TAMANHO_NOME) <= 0) return 0;
  if (!(unix_ = wine_get_unix_file_name(largo))) return 0;
  if ((barra = strrchr(unix_, '/')) && barra != unix_) {
    *barra = '\0';
    ok = realpath(unix_, pasta) && snprintf(destino, tamanho, "%s/%s", pasta, barra + 1) < (int)tamanho;
  }
  HeapFree(GetProcessHeap(), 0, unix_);
  return ok;
}

/* "C:\x\ERP.FDB" or "servidor:C:\x\ERP.FDB" (of `tamanho` bytes) with the file part as a
 * Unix path; NULL for any other name, which goes as it came. */
static const char* TraduzNome(const char* nome, size_t tamanho, char* destino) {
  char original[PONTE_TAMANHO_NOME];
  const char* arquivo = original;
  size_t inicio;
  if (tamanho >= PONTE_TAMANHO_NOME) return NULL;
  memcpy(original, nome, tamanho);
  original[tamanho] = '\0';
  if (!ComecaComUnidade(original)) {
    const char* separador = strchr(original, ':');
    if (!separador || !ComecaComUnidade(separador + 1)) return NULL;
    arquivo = separador + 1;
  }
  inicio = (size_t)(arquivo - original);
  memcpy(destino, original, inicio);
  return CaminhoUnix(arquivo, destino + inicio, PONTE_TAMANHO_NOME - inicio) ? destino : NULL;
}

ISC_STATUS WINAPI RepassaAttachDatabase(ISC_STATUS* status, short tamanho, const ISC_SCHAR* nome,
                                        isc_db_handle* banco, short tamanhoDpb,
                                        const ISC_SCHAR* dpb) {
  char traduzido[PONTE_TAMANHO_NOME];
  const size_t iTamanho = tamanho ? (size_t)tamanho : strlen(nome);
  const char* unix_ = TraduzNome(nome, iTamanho, traduzido);
  if (unix_) return cliente.isc_attach_database(status, 0, unix_, banco, tamanhoDpb, dpb);
  return cliente.isc_attach_database(status, tamanho, nome, banco, tamanhoDpb, dpb);
}

ISC_STATUS WINAPI RepassaDetachDatabase(ISC_STATUS* status, isc_db_handle* banco) {
  return cliente.isc_detach_database(status, banco);
}

/* The Windows caller passes (database, tpb length, tpb) per database as varargs; the Linux
 * library takes the same list as an array. */
ISC_STATUS __cdecl RepassaStartTransaction(ISC_STATUS* status, isc_tr_handle* transacao,
                                           short quantidade, ...) {
  TBancoDaTransacao bancos[16];
  __ms_va_list argumentos;
  short i;
  /* More databases than a caller of this monitor ever joins: the library refuses the count. */
  if (quantidade < 0 || quantidade > 16)
    return cliente.isc_start_multiple(status, transacao, quantidade, NULL);
  __ms_va_start(argumentos, quantidade);
  for (i = 0; i < quantidade; ++i) {
    bancos[i].banco = va_arg(argumentos, isc_db_handle*);
    bancos[i].tamanho = va_arg(argumentos, int);
    bancos[i].parametros = va_arg(argumentos, const ISC_SCHAR*);
  }
  __ms_va_end(argumentos);
  return cliente.isc_start_multiple(status, transacao, quantidade, bancos);
}

ISC_STATUS WINAPI RepassaCommitTransaction(ISC_STATUS* status, isc_tr_handle* transacao) {
  return cliente.isc_commit_transaction(status, transacao);
}

ISC_STATUS WINAPI RepassaCommitRetaining(ISC_STATUS* status, isc_tr_handle* transacao) {
  return cliente.isc_commit_retaining(status, transacao);
}

ISC_STATUS WINAPI RepassaRollbackTransaction(ISC_STATUS* status, isc_tr_handle* transacao) {
  return cliente.isc_rollback_transaction(status, transacao);
}

ISC_STATUS WINAPI RepassaDsqlAllocateStatement(ISC_STATUS* status, isc_db_handle* banco,
                                               isc_stmt_handle* comando) {
  return cliente.isc_dsql_allocate_statement(status, banco, comando);
}

ISC_STATUS WINAPI RepassaDsqlPrepare(ISC_STATUS* status, isc_tr_handle* transacao,
                                     isc_stmt_handle* comando, unsigned short tamanho,
                                     const ISC_SCHAR* sql, unsigned short dialeto, XSQLDA* saida) {
  return cliente.isc_dsql_prepare(status, transacao, comando, tamanho, sql, dialeto, saida);
}

ISC_STATUS WINAPI RepassaDsqlDescribe(ISC_STATUS* status, isc_stmt_handle* comando,
                                      unsigned short versao, XSQLDA* saida) {
  return cliente.isc_dsql_describe(status, comando, versao, saida);
}

ISC_STATUS WINAPI RepassaDsqlExecute(ISC_STATUS* status, isc_tr_handle* transacao,
                                     isc_stmt_handle* comando, unsigned short versao,
                                     const XSQLDA* entrada) {
  return cliente.isc_dsql_execute(status, transacao, comando, versao, entrada);
}

/* "CREATE DATABASE 'name' ..." names its file like an attachment does. */
static const char* TraduzCriacao(const char* sql, char* destino) {
  static const char INICIO[] = "CREATE DATABASE '";
  char nome[PONTE_TAMANHO_NOME];
  const char* fim;
  size_t iInicio = sizeof INICIO - 1;
  if (strncasecmp(sql, INICIO, iInicio) != 0 || !(fim = strchr(sql + iInicio, '\'')) ||
      !TraduzNome(sql + iInicio, (size_t)(fim - sql - iInicio), nome) ||
      snprintf(destino, PONTE_TAMANHO_NOME, "%s%s%s", INICIO, nome, fim) >= PONTE_TAMANHO_NOME)
    return NULL;
  return destino;
}

ISC_STATUS WINAPI RepassaDsqlExecuteImmediate(ISC_STATUS* status, isc_db_handle* banco,
                                              isc_tr_handle* transacao, unsigned short tamanho,
                                              const ISC_SCHAR* sql, unsigned short dialeto,
                                              const XSQLDA* entrada) {
  char traduzido[PONTE_TAMANHO_NOME];
  const char* criacao = tamanho == 0 ? TraduzCriacao(sql, traduzido) : NULL;
  if (criacao)
    return cliente.isc_dsql_execute_immediate(status, banco, transacao, 0, criacao, dialeto,
                                              entrada);
  return cliente.isc_dsql_execute_immediate(status, banco, transacao, tamanho, sql, dialeto,
                                            entrada);
}

ISC_STATUS WINAPI RepassaDsqlFetch(ISC_STATUS* status, isc_stmt_handle* comando,
                                   unsigned short versao, const XSQLDA* saida) {
  return cliente.isc_dsql_fetch(status, comando, versao, saida);
}

ISC_STATUS WINAPI RepassaDsqlFreeStatement(ISC_STATUS* status, isc_stmt_handle* comando,
                                           unsigned short opcao) {
  return cliente.isc_dsql_free_statement(status, comando, opcao);
}

ISC_STATUS WINAPI RepassaOpenBlob2(ISC_STATUS* status, isc_db_handle* banco,
                                   isc_tr_handle* transacao, isc_blob_handle* blob, ISC_QUAD* id,
                                   ISC_USHORT tamanho, const ISC_UCHAR* bpb) {
  return cliente.isc_open_blob2(status, banco, transacao, blob, id, tamanho, bpb);
}

ISC_STATUS WINAPI RepassaGetSegment(ISC_STATUS* status, isc_blob_handle* blob,
                                    unsigned short* lido, unsigned short tamanho,
                                    ISC_SCHAR* destino) {
  return cliente.isc_get_segment(status, blob, lido, tamanho, destino);
}

ISC_STATUS WINAPI RepassaCloseBlob(ISC_STATUS* status, isc_blob_handle* blob) {
  return cliente.isc_close_blob(status, blob);
}

ISC_LONG WINAPI RepassaInterpret(ISC_SCHAR* texto, unsigned int tamanho,
                                 const ISC_STATUS** vetor) {
  return cliente.fb_interpret(texto, tamanho, vetor);
}
