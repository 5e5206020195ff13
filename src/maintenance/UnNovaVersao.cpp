#include "maintenance/UnNovaVersao.h"

#include "database/UnCamposVersao.h"
#include "maintenance/UnArquivosExec.h"
#include "maintenance/UnBaixaArquivo.h"
#include "maintenance/UnChaveAtualizador.h"
#include "maintenance/UnDataArquivo.h"
#include "platform/UnArquivos.h"
#include "platform/UnAssinatura.h"
#include "processing/UnOcorrencias.h"
#include "shell/UnMonitor.h"

namespace {

using UnArquivos::SEPARADOR;

bool EhProgramaWindows(const std::string& caminho) {
  const auto inicio = UnArquivos::LeArquivo(caminho, UnNovaVersao::TAMANHO_MINIMO_ATUALIZADOR);
  return inicio && inicio->size() == UnNovaVersao::TAMANHO_MINIMO_ATUALIZADOR &&
         inicio->compare(0, 2, "MZ") == 0;
}

[[noreturn]] void FinalizaComAviso(UnTela::Tela& tela, const std::string& texto, unsigned flags) {
  tela.MostraNotificacao(texto, AVISO_DO_SISTEMA, flags);
  throw UnTela::EFimMonitor{1, false, NumaLinha(texto), ""};
}

constexpr const char* MENSAGEM_DOWNLOAD =
    "Não foi possível baixar o aplicativo para atualização inicial do seu sistema. Tente "
    "novamente mais tarde ou entre em contato com o suporte técnico da quelvix.";

// Empty when `arquivo` is a program the maker signed with the signature in `assinatura`;
// otherwise what failed.
std::string ConfereAtualizador(const std::string& arquivo, const std::string& assinatura) {
  if (UnArquivos::Tamanho(arquivo).value_or(0) == 0) return "arquivo vazio ou ausente";
  const auto sig = UnArquivos::LeArquivo(assinatura, UnAssinatura::TAMANHO_MAXIMO_DER + 1);
  if (!sig || sig->empty()) return "assinatura ausente ou vazia";
  const std::string motivo =
      UnAssinatura::Verifica(UnChaveAtualizador::CHAVE_PUBLICA, arquivo, *sig);
  if (!motivo.empty()) return motivo;
  // Signed, and still a Windows program, not a page the maker's server once gave.
  return EhProgramaWindows(arquivo) ? "" : "o arquivo não é um programa do Windows";
}

}  // namespace

void TMonitorCTe::RecusaAtualizador(const std::string& arquivo, const std::string& motivo) {
  Log.Registra("atualizador recusado, " + arquivo + ": " + motivo);
  RegistraOcorrencia(UnOcorrencias::ATUALIZADOR_RECUSADO, motivo, arquivo, "", true);
}

void TMonitorCTe::VerificaNovaVersao(UnFirebird::TIBDatabase& banco, int modo) {
  const TValoresAtualizacao& a = Atualizacao;
  // The connection failed at start-up: the monitor is ending and there is no update folder.
  if (a.NomeExecutavel.empty() || a.PastaAtualizacao.empty()) return;

  if (UnArquivos::ExisteArquivo(a.PastaExecutavel + SEPARADOR + UnNovaVersao::ARQUIVO_DEPURACAO)) {
    tela.MostraNotificacao("O aplicativo " + a.NomeExecutavel + " não será atualizado. A pasta " +
                               a.PastaExecutavel + " está com o arquivo " +
                               UnNovaVersao::ARQUIVO_DEPURACAO,
                           AVISO_DO_SISTEMA, UnTela::ICONE_AVISO);
    return;
  }
  if (!UnArquivos::ExistePasta(a.PastaAtualizacao)) UnArquivos::CriaPasta(a.PastaAtualizacao);
  if (const std::string sMotivo = UnArquivosExec::TrataArquivosExec(a, sCaminhoExecutavel);
      !sMotivo.empty())
    Log.Registra("atalho na área de trabalho não criado, tentado de novo na próxima partida: " +
                 sMotivo);

  const std::string sAtualizador = a.PastaAtualizacao + SEPARADOR + UnNovaVersao::NOME_ATUALIZADOR;
  const std::string sAssinatura = sAtualizador + UnNovaVersao::SUFIXO_ASSINATURA;
  if (!UnArquivos::ExisteArquivo(sAtualizador)) BaixaAtualizador(sAtualizador);

  UnCamposVersao::VerificaCamposVersao(banco, Atualizacao.VersaoERP, Atualizacao.ScriptRodado);
  if (modo != 1) return;

  const std::string sPublicada = a.PastaAtualizacao + SEPARADOR + a.NomeExecutavel;
  if (!UnArquivos::ExisteArquivo(sPublicada))
    FinalizaComAviso(tela,
                     "Falha na atualização do aplicativo. Não foi encontrado o arquivo " +
                         a.NomeExecutavel + " na pasta " + a.PastaAtualizacao +
                         ".\rO Sistema será finalizado.",
                     UnTela::ICONE_AVISO);
  // Both texts come from one format, so equal texts are equal times at that resolution.
  if (UnDataArquivo::RetornaDataArquivo(sCaminhoExecutavel) ==
      UnDataArquivo::RetornaDataArquivo(sPublicada))
    return;
  if (!UnArquivos::ExisteArquivo(sAtualizador))
    FinalizaComAviso(tela,
                     std::string("Falha na atualização do aplicativo. Não foi encontrado o "
                                 "arquivo ") +
                         UnNovaVersao::NOME_ATUALIZADOR + " na pasta " + a.PastaAtualizacao +
                         ".\rO Sistema será finalizado.",
                     UnTela::ICONE_AVISO);

  // Another workstation or a person may have put it there: checked again before it runs.
  if (const std::string motivo = ConfereAtualizador(sAtualizador, sAssinatura); !motivo.empty()) {
    RecusaAtualizador(sAtualizador, motivo + "; o monitor segue na versão em que está");
    return;
  }

  const size_t iPonto = a.NomeExecutavel.find('.');
  const std::string sAplicativo =
      iPonto == std::string::npos ? std::string() : a.NomeExecutavel.substr(0, iPonto);
  tela.MostraAviso("AVISO: Existe uma nova versão do aplicativo " + sAplicativo +
                       ". A atualização será feita automaticamente. Aguarde...",
                   false, true);
  Executa({"open", sAtualizador,
           "@F1 @M" + a.PastaAtualizacaoParametro + " @E" + a.PastaExecutavelParametro + " @A" +
               a.NomeExecutavel,
           "", false});
  Finaliza(0, "nova versão: a vez passou ao atualizador", "", true);
}

void TMonitorCTe::BaixaAtualizador(const std::string& sAtualizador) {
  const TValoresAtualizacao& a = Atualizacao;
  const std::string sDownload = a.PastaAtualizacao + SEPARADOR + UnNovaVersao::NOME_DOWNLOAD;
  const std::string sDownloadAssinatura = sDownload + UnNovaVersao::SUFIXO_ASSINATURA;
  const std::string sEndereco = sEnderecoSite + UnNovaVersao::CAMINHO_DOWNLOAD;
  const auto Descarta = [&] {
    UnArquivos::ApagaArquivo(sDownload);
    UnArquivos::ApagaArquivo(sDownloadAssinatura);
  };
  if (!UnBaixaArquivo::BaixaArquivo(sEndereco, sDownload)) {
    Descarta();
    FinalizaComAviso(tela, MENSAGEM_DOWNLOAD, UnTela::SEM_ICONE);
  }
  // Verified under its temporary name: a file without the maker's signature never takes the
  // updater's place.
  const bool bAssinaturaBaixada = UnBaixaArquivo::BaixaArquivo(
      sEndereco + UnNovaVersao::SUFIXO_ASSINATURA, sDownloadAssinatura);
  const std::string motivo = bAssinaturaBaixada
                                 ? ConfereAtualizador(sDownload, sDownloadAssinatura)
                                 : "assinatura não baixada de " + sEndereco +
                                       UnNovaVersao::SUFIXO_ASSINATURA;
  if (!motivo.empty()) {
    Descarta();
    RecusaAtualizador(sEndereco, motivo);
    FinalizaComAviso(tela,
                     std::string(MENSAGEM_DOWNLOAD) +
                         " A assinatura do arquivo baixado não confere com a do fabricante (" +
                         motivo + ").",
                     UnTela::SEM_ICONE);
  }
  // The signature first, so the updater never stands without it.
  const std::string sAssinatura = sAtualizador + UnNovaVersao::SUFIXO_ASSINATURA;
  UnArquivos::ApagaArquivo(sAtualizador);
  UnArquivos::MoveArquivoSubstituindo(sDownloadAssinatura, sAssinatura);
  UnArquivos::MoveArquivo(sDownload, sAtualizador);
  Descarta();
}
