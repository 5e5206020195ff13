#include "suporte/InstalacaoTeste.h"
#include "suporte/ServidorTeste.h"

#include <filesystem>

InstalacaoTeste::InstalacaoTeste(bool bServidor)
    : sPastaErp(pasta / "erp"),
      sPastaDados(pasta / "Dados/"),
      sRaizCTe(pasta / "cte/"),
      sExecutavel(pasta / "erp/monitor-cte") {
  std::filesystem::create_directories(sPastaErp);
  std::filesystem::create_directories(sPastaDados);
  std::filesystem::create_directories(sRaizCTe);
  std::filesystem::permissions(sPastaDados, std::filesystem::perms::all);
  EscreveArquivo(sExecutavel, "");
  EscreveArquivo(sPastaErp + "/quelvixempresa.ini",
                 "[IniServidor]\r\nnomearquivo=" + sPastaDados + "servidor.ini\r\n");
  EscreveIniServidor(bServidor ? ServidorTeste::Endereco() : "", sPastaDados, "banco.fdb");
  const std::string arquivo = sPastaDados + "banco.fdb";
  banco = std::make_unique<BancoTeste>(bServidor ? ServidorTeste::Endereco() + ":" + arquivo
                                                 : arquivo);
  // Without the trailing separator, as ERP users often type it.
  banco->DefineRaizCTe(sRaizCTe.substr(0, sRaizCTe.size() - 1));
}

void InstalacaoTeste::EscreveIniServidor(const std::string& servidor, const std::string& path,
                                         const std::string& name) const {
  EscreveArquivo(sPastaDados + "servidor.ini", "[Database]\r\nServidor=" + servidor +
                                                   "\r\npath=" + path + "\r\nname=" + name +
                                                   "\r\n");
}

std::string InstalacaoTeste::Retorno(const std::string& cnpj) const {
  return sRaizCTe + cnpj + "/Retorno/";
}
std::string InstalacaoTeste::RetornoOK(const std::string& cnpj) const {
  return sRaizCTe + cnpj + "/Retorno/OK/";
}
std::string InstalacaoTeste::Erro(const std::string& cnpj) const {
  return sRaizCTe + cnpj + "/Erro/";
}
std::string InstalacaoTeste::Autorizados(const std::string& cnpj) const {
  return sRaizCTe + cnpj + "/Enviado/Autorizados/";
}

std::unique_ptr<TMonitorCTe> InstalacaoTeste::Monitor(TelaTeste& tela) const {
  auto monitor = std::make_unique<TMonitorCTe>(tela);
  monitor->sCaminhoExecutavel = sExecutavel;
  monitor->sEnderecoSite = "http://127.0.0.1:9";
  monitor->ConectaBancoDados(monitor->RetornaNomeBanco());
  return monitor;
}
