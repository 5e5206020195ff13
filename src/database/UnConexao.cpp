// Finding the ERP database through the ERP's initialisation files, and the one connection.
#include "platform/UnArquivos.h"
#include "platform/UnIni.h"
#include "shell/UnMonitor.h"


namespace {

constexpr char SEP = UnArquivos::SEPARADOR;

std::string AparaControles(const std::string& texto) {
  size_t i = 0, f = texto.size();
  while (i < f && static_cast<unsigned char>(texto[i]) <= ' ') ++i;
  while (f > i && static_cast<unsigned char>(texto[f - 1]) <= ' ') --f;
  return texto.substr(i, f - i);
}

std::string PastaSemNome(const std::string& caminho) {
  const size_t barra = caminho.rfind(SEP);
  return barra == std::string::npos ? std::string() : caminho.substr(0, barra);
}

// "quelvixempresa4.ini" when the ERP's version 4 program is installed beside the monitor.
std::string IniErp(const std::string& pastaMonitor) {
  const bool versao4 = UnArquivos::ExisteArquivo(pastaMonitor + SEP + "quelvixempresa4.exe");
  return pastaMonitor + SEP + (versao4 ? "quelvixempresa4" : "quelvixempresa") + ".ini";
}

}  // namespace

std::string TMonitorCTe::RetornaNomeBanco() {
  const std::string ini = IniErp(PastaSemNome(sCaminhoExecutavel));
  locainiServidor = UnIni::LeIni(ini, "IniServidor", "nomearquivo", "");
  if (!UnArquivos::ExisteArquivo(locainiServidor)) {
    tela.MostraNotificacao("Não foi encontrado o arquivo de inicialização", AVISO_DO_SISTEMA,
                           UnTela::ICONE_ERRO);
    Finaliza(1, "arquivo de inicialização não encontrado");
  }
  sServidor = UnIni::LeIni(locainiServidor, "Database", "Servidor", "");
  sPath = UnIni::LeIni(locainiServidor, "Database", "path", "");
  sBanco = UnIni::LeIni(locainiServidor, "Database", "name", "");
  if (!AparaControles(sServidor).empty()) return sServidor + ":" + sPath + sBanco;
  return sPath + sBanco;
}

TMonitorCTe::PastaDados TMonitorCTe::LocalizaPastaDados() {
  const std::string pastaMonitor = PastaSemNome(sCaminhoExecutavel);
  const std::string ini = IniErp(pastaMonitor);
  if (UnArquivos::ExisteArquivo(ini)) {
    const std::string servidor = UnIni::LeIni(ini, "IniServidor", "nomearquivo", "");
    if (!UnArquivos::ExisteArquivo(servidor))
      return {"",
              "Não foi encontrado o arquivo de inicialização dentro da pasta quelvix Empresa",
              "arquivo de inicialização do ERP não encontrado"};
    return {servidor.substr(0, servidor.rfind(SEP) + 1), "", ""};
  }
  const std::string dados = pastaMonitor.substr(0, pastaMonitor.rfind(SEP) + 1) + "Dados" + SEP;
  if (!UnArquivos::ExistePasta(dados))
    return {"", "Não foi encontrado a pasta Dados no servidor", "pasta Dados não encontrada"};
  return {dados, "", ""};
}

std::string TMonitorCTe::RetornaPastaDados() {
  const PastaDados dados = LocalizaPastaDados();
  if (!dados.sAviso.empty()) {
    tela.MostraNotificacao(dados.sAviso, AVISO_DO_SISTEMA, UnTela::ICONE_ERRO);
    Finaliza(1, dados.sMotivo);
  }
  return dados.sPasta;
}

void TMonitorCTe::ConectaBancoDados(const std::string& nome) {
  // Creating the connection loads the client library; its failure is an ordinary error.
  IBD_BancoDados = std::make_unique<UnFirebird::TIBDatabase>(sBibliotecasFirebird);
  IBD_BancoDados->Cliente();
  IBD_BancoDados->DefineUsuario("sysdba", "tollbrisk");
  IBD_BancoDados->Desconecta();
  IBD_BancoDados->DefineNome(AparaControles(nome));
  try {
    IBD_BancoDados->Conecta();
    DefinePastaAtualizacao(nome, locainiServidor);
  } catch (const UnFirebird::EIBError& erro) {
    tela.MostraNotificacao("O Sistema não conseguiu conectar com a base de dados.\r" +
                               erro.TipoNome() + ": " + erro.what(),
                           AVISO_DO_SISTEMA, UnTela::ICONE_ERRO);
    Finaliza(1, "sem conexão com a base de dados");
  } catch (const std::exception& erro) {
    tela.MostraNotificacao(
        std::string("O Sistema não conseguiu conectar com a base de dados.\rException: ") +
            erro.what(),
        AVISO_DO_SISTEMA, UnTela::ICONE_ERRO);
    Finaliza(1, "sem conexão com a base de dados");
  }
}

void TMonitorCTe::DesconectaBancoDados() {
  if (!IBD_BancoDados) return;
  IBD_BancoDados->Desconecta();
  // "&Sair" chosen inside a pass: the pass's queries still refer to the connection object
  // while they unwind, so it is released with the monitor instead.
  if (!PassoEmExecucao()) IBD_BancoDados.reset();
}

void TMonitorCTe::EncerraTransacaoPasso() {
  if (IBD_BancoDados && IBD_BancoDados->Conectado() && IBD_BancoDados->Transacao().Ativa())
    IBD_BancoDados->Transacao().Commit();
}
