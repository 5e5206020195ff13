#include "platform/UnHttp.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdio>
#include <memory>

#include "platform/UnBiblioteca.h"

namespace UnHttp {

namespace {

// libcurl is loaded the first time a download runs: the resident monitor seldom downloads, and
// the library maps its TLS, Kerberos and LDAP libraries with it.
struct Curl {
  CURLcode (*global_init)(long);
  CURL* (*easy_init)();
  void (*easy_cleanup)(CURL*);
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
  CURLcode (*easy_perform)(CURL*);
  CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
  curl_slist* (*slist_append)(curl_slist*, const char*);
  void (*slist_free_all)(curl_slist*);
};

using UnBiblioteca::Liga;

// Null when the library is not on the machine.
const Curl* CarregaCurl() {
  static const Curl* curl = [] () -> const Curl* {
    std::string erro;
    void* b = UnBiblioteca::Carrega({"libcurl.so.4", "libcurl-gnutls.so.4"}, erro);
    static Curl c;
    if (!b || !Liga(b, "curl_global_init", c.global_init) ||
        !Liga(b, "curl_easy_init", c.easy_init) || !Liga(b, "curl_easy_cleanup", c.easy_cleanup) ||
        !Liga(b, "curl_easy_setopt", c.easy_setopt) ||
        !Liga(b, "curl_easy_perform", c.easy_perform) ||
        !Liga(b, "curl_easy_getinfo", c.easy_getinfo) ||
        !Liga(b, "curl_slist_append", c.slist_append) ||
        !Liga(b, "curl_slist_free_all", c.slist_free_all))
      return nullptr;
    c.global_init(CURL_GLOBAL_DEFAULT);
    return &c;
  }();
  return curl;
}

// A silent server must not hold the start-up for ever.
constexpr long SEGUNDOS_CONEXAO = 15;
constexpr long BYTES_POR_SEGUNDO_MINIMO = 1;
constexpr long SEGUNDOS_LENTIDAO = 30;

struct FechaArquivo {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
struct LiberaCurl {
  void operator()(CURL* c) const { CarregaCurl()->easy_cleanup(c); }
};
struct LiberaLista {
  void operator()(curl_slist* l) const { CarregaCurl()->slist_free_all(l); }
};

struct Destino {
  std::FILE* arquivo;
  long long iRecebido = 0;
};

size_t GravaTrecho(char* dados, size_t tamanho, size_t quantidade, void* destino) {
  // A short count makes curl stop with a write error: a body past the limit stops there too.
  Destino& d = *static_cast<Destino*>(destino);
  d.iRecebido += static_cast<long long>(tamanho * quantidade);
  if (d.iRecebido > TAMANHO_MAXIMO) return 0;
  return std::fwrite(dados, tamanho, quantidade, d.arquivo);
}

// curl wants the scheme in lower case; the address may carry "HTTPS://".
std::string EsquemaMinusculo(std::string endereco) {
  const size_t iFim = endereco.find("://");
  if (iFim == std::string::npos) return endereco;
  for (size_t i = 0; i < iFim; ++i)
    endereco[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(endereco[i])));
  return endereco;
}

}  // namespace

bool Baixa(const std::string& endereco, const std::string& destino) {
  std::unique_ptr<std::FILE, FechaArquivo> arquivo(std::fopen(destino.c_str(), "wb"));
  if (!arquivo) throw EArquivoDestino("Não foi possível criar o arquivo " + destino);

  const Curl* biblioteca = CarregaCurl();
  if (!biblioteca) return false;
  const auto opcao = biblioteca->easy_setopt;
  std::unique_ptr<CURL, LiberaCurl> curl(biblioteca->easy_init());
  if (!curl) return false;

  curl_slist* lista = nullptr;
  for (const char* cabecalho :
       {"Accept: text/javascript", "Content-Type: application/json", "Content-Encoding: utf-8"})
    lista = biblioteca->slist_append(lista, cabecalho);
  std::unique_ptr<curl_slist, LiberaLista> cabecalhos(lista);

  const std::string sEndereco = EsquemaMinusculo(endereco);
  CURL* c = curl.get();
  opcao(c, CURLOPT_URL, sEndereco.c_str());
  opcao(c, CURLOPT_PROTOCOLS_STR, "http,https");
  opcao(c, CURLOPT_HTTPHEADER, cabecalhos.get());
  opcao(c, CURLOPT_USERAGENT, AGENTE_USUARIO);
  opcao(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  opcao(c, CURLOPT_FOLLOWLOCATION, 0L);
  opcao(c, CURLOPT_FAILONERROR, 1L);
  opcao(c, CURLOPT_PROXY, "");  // no proxy from the environment either
  opcao(c, CURLOPT_SSL_VERIFYPEER, 0L);
  opcao(c, CURLOPT_SSL_VERIFYHOST, 0L);
  opcao(c, CURLOPT_CONNECTTIMEOUT, SEGUNDOS_CONEXAO);
  opcao(c, CURLOPT_LOW_SPEED_LIMIT, BYTES_POR_SEGUNDO_MINIMO);
  opcao(c, CURLOPT_LOW_SPEED_TIME, SEGUNDOS_LENTIDAO);
  opcao(c, CURLOPT_NOSIGNAL, 1L);
  opcao(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(TAMANHO_MAXIMO));
  Destino destinoCurl{arquivo.get()};
  opcao(c, CURLOPT_WRITEFUNCTION, GravaTrecho);
  opcao(c, CURLOPT_WRITEDATA, &destinoCurl);

  if (biblioteca->easy_perform(c) != CURLE_OK) return false;
  long iCodigo = 0;
  biblioteca->easy_getinfo(c, CURLINFO_RESPONSE_CODE, &iCodigo);
  // Failures (400 and above) already stopped the transfer; a redirect is not followed.
  if (iCodigo < 200 || iCodigo > 299) return false;
  return std::fflush(arquivo.get()) == 0;
}

}  // namespace UnHttp
