// The WinHTTP download against a real web server on 127.0.0.1, run by the test itself.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/UnHttp.h"
#include "suporte/PastaTemporaria.h"

namespace {

// Answers one request per connection by its path: /ok (200 with a body), /falta (404),
// /muda (302 to /ok), /corta (announces 100 bytes, sends 10 and closes).
class ServidorLocal {
 public:
  ServidorLocal() {
    WSADATA dados;
    WSAStartup(MAKEWORD(2, 2), &dados);
    escuta_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    endereco.sin_port = 0;
    bind(escuta_, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco);
    int tamanho = sizeof endereco;
    getsockname(escuta_, reinterpret_cast<sockaddr*>(&endereco), &tamanho);
    iPorta_ = ntohs(endereco.sin_port);
    listen(escuta_, 8);
    atende_ = std::thread([this] { Atende(); });
  }
  ~ServidorLocal() {
    bFim_ = true;
    closesocket(escuta_);
    atende_.join();
    WSACleanup();
  }
  std::string Endereco(const char* esquema = "http") const {
    return std::string(esquema) + "://127.0.0.1:" + std::to_string(iPorta_);
  }
  std::vector<std::string> Pedidos() const {
    std::lock_guard<std::mutex> trava(mutex_);
    return pedidos_;
  }

 private:
  void Atende() {
    while (!bFim_) {
      const SOCKET conexao = accept(escuta_, nullptr, nullptr);
      if (conexao == INVALID_SOCKET) return;
      std::string pedido;
      char bloco[4096];
      while (pedido.find("\r\n\r\n") == std::string::npos) {
        const int lido = recv(conexao, bloco, sizeof bloco, 0);
        if (lido <= 0) break;
        pedido.append(bloco, static_cast<size_t>(lido));
      }
      {
        std::lock_guard<std::mutex> trava(mutex_);
        pedidos_.push_back(pedido);
      }
      const std::string caminho = pedido.substr(4, pedido.find(' ', 4) - 4);
      std::string resposta;
      if (caminho == "/ok")
        resposta = "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\nconteudo ok";
      else if (caminho == "/muda")
        resposta = "HTTP/1.1 302 Found\r\nLocation: /ok\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      else if (caminho == "/corta")
        resposta = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n0123456789";
      else
        resposta = "HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\nConnection: close\r\n\r\nfalta";
      send(conexao, resposta.data(), static_cast<int>(resposta.size()), 0);
      shutdown(conexao, SD_SEND);
      closesocket(conexao);
    }
  }

  SOCKET escuta_ = INVALID_SOCKET;
  int iPorta_ = 0;
  std::atomic<bool> bFim_{false};
  std::thread atende_;
  mutable std::mutex mutex_;
  std::vector<std::string> pedidos_;
};

}  // namespace

TEST(HttpWin32, BaixaSo2xxCompletoSemSeguirRedirecionamento) {
  ServidorLocal servidor;
  PastaTemporaria pasta;
  const std::string destino = pasta / "oldquelvixAtualizador.exe";
  EXPECT_TRUE(UnHttp::Baixa(servidor.Endereco() + "/ok", destino));
  EXPECT_EQ(LeTexto(destino), "conteudo ok");
  const std::string pedido = servidor.Pedidos().at(0);
  EXPECT_EQ(pedido.rfind("GET /ok HTTP/1.1\r\n", 0), 0u) << pedido;
  for (const char* cabecalho : {"Accept: text/javascript\r\n", "Content-Type: application/json\r\n",
                                "Content-Encoding: utf-8\r\n",
                                "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"})
    EXPECT_NE(pedido.find(cabecalho), std::string::npos) << cabecalho << pedido;

  EXPECT_TRUE(UnHttp::Baixa(servidor.Endereco("HTTP") + "/ok", destino));  // scheme in capitals
  EXPECT_FALSE(UnHttp::Baixa(servidor.Endereco() + "/falta", destino));
  EXPECT_TRUE(Existe(destino));
  EXPECT_FALSE(UnHttp::Baixa(servidor.Endereco() + "/muda", destino));
  EXPECT_EQ(servidor.Pedidos().size(), 4u);  // the redirect was not followed
  EXPECT_FALSE(UnHttp::Baixa(servidor.Endereco() + "/corta", destino));
}

TEST(HttpWin32, DestinoImpossivelLevantaEServidorAusenteDaFalso) {
  PastaTemporaria pasta;
  EXPECT_THROW(UnHttp::Baixa("http://127.0.0.1:9/x", pasta / "falta/x.exe"), UnHttp::EArquivoDestino);
  int iPortaLivre;
  {
    ServidorLocal servidor;
    iPortaLivre = std::stoi(servidor.Endereco().substr(servidor.Endereco().rfind(':') + 1));
  }
  EXPECT_FALSE(UnHttp::Baixa("http://127.0.0.1:" + std::to_string(iPortaLivre) + "/ok", pasta / "x.exe"));
  EXPECT_TRUE(Existe(pasta / "x.exe"));
  EXPECT_EQ(LeTexto(pasta / "x.exe"), "");
}
