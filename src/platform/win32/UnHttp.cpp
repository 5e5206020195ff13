#include "platform/UnHttp.h"

#include <windows.h>
#include <winhttp.h>

#include <cwctype>

#include "platform/win32/UnTextoLargo.h"

namespace UnHttp {

namespace {

// A silent server must not hold the start-up for ever; an expired limit gives false.
constexpr int MS_RESOLUCAO = 15000;
constexpr int MS_CONEXAO = 15000;
constexpr int MS_ENVIO = 30000;
constexpr int MS_RECEBIMENTO = 30000;

class Alca {
 public:
  explicit Alca(HINTERNET h) : h_(h) {}
  ~Alca() {
    if (h_) WinHttpCloseHandle(h_);
  }
  Alca(const Alca&) = delete;
  Alca& operator=(const Alca&) = delete;
  HINTERNET Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HINTERNET h_;
};

class Destino {
 public:
  explicit Destino(HANDLE h) : h_(h) {}
  ~Destino() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Destino(const Destino&) = delete;
  Destino& operator=(const Destino&) = delete;
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

bool Grava(HANDLE arquivo, const char* dados, DWORD tamanho) {
  while (tamanho > 0) {
    DWORD gravado = 0;
    if (!WriteFile(arquivo, dados, tamanho, &gravado, nullptr) || gravado == 0) return false;
    dados += gravado;
    tamanho -= gravado;
  }
  return true;
}

DWORD CodigoStatus(HINTERNET pedido) {
  DWORD codigo = 0, tamanho = sizeof codigo;
  if (!WinHttpQueryHeaders(pedido, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &codigo, &tamanho, WINHTTP_NO_HEADER_INDEX))
    return 0;
  return codigo;
}

// The announced body length, or -1 when the answer does not give one (chunked, or until close).
long long TamanhoAnunciado(HINTERNET pedido) {
  wchar_t texto[32];
  DWORD tamanho = sizeof texto;
  if (!WinHttpQueryHeaders(pedido, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                           texto, &tamanho, WINHTTP_NO_HEADER_INDEX))
    return -1;
  wchar_t* fim = nullptr;
  const long long valor = wcstoll(texto, &fim, 10);
  return (fim == texto || valor < 0) ? -1 : valor;
}

bool Transfere(const std::wstring& endereco, HANDLE arquivo) {
  URL_COMPONENTS partes{};
  partes.dwStructSize = sizeof partes;
  partes.dwSchemeLength = partes.dwHostNameLength = partes.dwUrlPathLength =
      partes.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(endereco.c_str(), 0, 0, &partes)) return false;
  if (partes.nScheme != INTERNET_SCHEME_HTTP && partes.nScheme != INTERNET_SCHEME_HTTPS)
    return false;
  const bool seguro = partes.nScheme == INTERNET_SCHEME_HTTPS;
  const std::wstring host(partes.lpszHostName, partes.dwHostNameLength);
  std::wstring caminho(partes.lpszUrlPath, partes.dwUrlPathLength);
  caminho.append(partes.lpszExtraInfo, partes.dwExtraInfoLength);
  if (caminho.empty()) caminho = L"/";

  Alca sessao(WinHttpOpen(UnTextoLargo::Largo(AGENTE_USUARIO).c_str(),
                          WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, 0));
  if (!sessao) return false;
  WinHttpSetTimeouts(sessao.Get(), MS_RESOLUCAO, MS_CONEXAO, MS_ENVIO, MS_RECEBIMENTO);
  Alca conexao(WinHttpConnect(sessao.Get(), host.c_str(), partes.nPort, 0));
  if (!conexao) return false;
  Alca pedido(WinHttpOpenRequest(conexao.Get(), L"GET", caminho.c_str(), nullptr,
                                 WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                 seguro ? WINHTTP_FLAG_SECURE : 0));
  if (!pedido) return false;
  DWORD redirecionamento = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(pedido.Get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirecionamento,
                   sizeof redirecionamento);
  if (seguro) {
    // The maker's server is not verified: any certificate is taken.
    DWORD seguranca = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                      SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    WinHttpSetOption(pedido.Get(), WINHTTP_OPTION_SECURITY_FLAGS, &seguranca, sizeof seguranca);
  }
  const wchar_t* cabecalhos =
      L"Accept: text/javascript\r\nContent-Type: application/json\r\nContent-Encoding: utf-8";
  if (!WinHttpAddRequestHeaders(pedido.Get(), cabecalhos, static_cast<DWORD>(-1),
                                WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
    return false;
  if (!WinHttpSendRequest(pedido.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0) ||
      !WinHttpReceiveResponse(pedido.Get(), nullptr))
    return false;
  const DWORD codigo = CodigoStatus(pedido.Get());
  if (codigo < 200 || codigo > 299) return false;  // a redirect is not followed either
  const long long anunciado = TamanhoAnunciado(pedido.Get());
  if (anunciado > TAMANHO_MAXIMO) return false;
  long long recebido = 0;
  char bloco[65536];
  for (;;) {
    DWORD lido = 0;
    if (!WinHttpReadData(pedido.Get(), bloco, sizeof bloco, &lido)) return false;
    if (lido == 0) break;
    recebido += lido;
    if (recebido > TAMANHO_MAXIMO || !Grava(arquivo, bloco, lido)) return false;
  }
  // A connection dropped in the middle of the body ends the reading like a normal end.
  return anunciado < 0 || recebido == anunciado;
}

// WinHttpCrackUrl wants the scheme as written in lower case; the address may say "HTTPS://".
std::wstring EsquemaMinusculo(std::wstring endereco) {
  const size_t fim = endereco.find(L"://");
  if (fim == std::wstring::npos) return endereco;
  for (size_t i = 0; i < fim; ++i) endereco[i] = static_cast<wchar_t>(std::towlower(endereco[i]));
  return endereco;
}

}  // namespace

bool Baixa(const std::string& endereco, const std::string& destino) {
  Destino arquivo(CreateFileW(UnTextoLargo::Largo(destino).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (arquivo.Get() == INVALID_HANDLE_VALUE)
    throw EArquivoDestino("Não foi possível criar o arquivo " + destino);
  return Transfere(EsquemaMinusculo(UnTextoLargo::Largo(endereco)), arquivo.Get());
}

}  // namespace UnHttp
