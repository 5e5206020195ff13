#include "maintenance/UnNovaVersao.h"

#include "database/UnCamposVersao.h"
#include "maintenance/UnArquivosExec.h"
#include "maintenance/UnBaixaArquivo.h"
#include "maintenance/UnDataArquivo.h"
#include "platform/UnArquivos.h"
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

}  // namespace

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
  if (!UnArquivos::ExisteArquivo(sAtualizador)) {
    const std::string sDownload = a.PastaAtualizacao + SEPARADOR + UnNovaVersao::NOME_DOWNLOAD;
    if (UnBaixaArquivo::BaixaArquivo(sEnderecoSite + UnNovaVersao::CAMINHO_DOWNLOAD, sDownload) &&
        EhProgramaWindows(sDownload)) {
      UnArquivos::ApagaArquivo(sAtualizador);
      UnArquivos::MoveArquivo(sDownload, sAtualizador);
      UnArquivos::ApagaArquivo(sDownload);
    } else {
      UnArquivos::ApagaArquivo(sDownload);
      FinalizaComAviso(tela,
                       "Não foi possível baixar o aplicativo para atualização inicial do seu "
                       "sistema. Tente novamente mais tarde ou entre em contato com o suporte "
                       "técnico da quelvix.",
                       UnTela::SEM_ICONE);
    }
  }

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
