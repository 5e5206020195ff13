#include "platform/UnHttp.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>

namespace UnHttp {

namespace {

// A silent server must not hold the start-up for ever.
constexpr long SEGUNDOS_CONEXAO = 15;
constexpr long BYTES_POR_SEGUNDO_MINIMO = 1;
constexpr long SEGUNDOS_LENTIDAO = 30;

struct FechaArquivo {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
struct LiberaCurl {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct LiberaLista {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

size_t GravaTrecho(char* dados, size_t tamanho, size_t quantidade, void* arquivo) {
  // A short count makes curl stop with a write error.
  return std::fwrite(dados, tamanho, quantidade, static_cast<std::FILE*>(arquivo));
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

  static std::once_flag inicializado;
  std::call_once(inicializado, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  std::unique_ptr<CURL, LiberaCurl> curl(curl_easy_init());
  if (!curl) return false;

  curl_slist* lista = nullptr;
  for (const char* cabecalho :
       {"Accept: text/javascript", "Content-Type: application/json", "Content-Encoding: utf-8"})
    lista = curl_slist_append(lista, cabecalho);
  std::unique_ptr<curl_slist, LiberaLista> cabecalhos(lista);

  const std::string sEndereco = EsquemaMinusculo(endereco);
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, sEndereco.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabecalhos.get());
  curl_easy_setopt(c, CURLOPT_USERAGENT, AGENTE_USUARIO);
  curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_PROXY, "");  // no proxy from the environment either
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, SEGUNDOS_CONEXAO);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, BYTES_POR_SEGUNDO_MINIMO);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, SEGUNDOS_LENTIDAO);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, GravaTrecho);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, arquivo.get());

  if (curl_easy_perform(c) != CURLE_OK) return false;
  long iCodigo = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &iCodigo);
  // Failures (400 and above) already stopped the transfer; a redirect is not followed.
  if (iCodigo < 200 || iCodigo > 299) return false;
  return std::fflush(arquivo.get()) == 0;
}

}  // namespace UnHttp
