// The ERP kept in step with the authority when an answer never comes: the transmitter's
// archive of authorised documents read every few minutes, and the CT-e in doubt asked about
// through situation requests in its queue.
#include <set>

#include "platform/UnArquivos.h"
#include "processing/UnClassesErro.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraAutorizados.h"
#include "processing/UnOcorrencias.h"
#include "shell/UnMonitor.h"

using UnFuncoesCTe::RetornaPastaCTe;

namespace {

constexpr const char* SUFIXO_PEDIDO = "-ped-sit.xml";

}  // namespace

std::optional<UnReconciliacao::Linha> TMonitorCTe::LinhaDaChave(const std::string& chave) {
  ExecutaPesquisa(UnComandosSql::MontaPesquisaSituacaoChave("CTe" + chave));
  const int64_t id = qryPesquisa->FieldAsInteger("id_cte");
  if (id == 0) return std::nullopt;
  UnReconciliacao::Linha linha;
  linha.iID = static_cast<int32_t>(id);
  linha.bAutorizada = qryPesquisa->FieldAsString("CD_ST_CTE") == "100" &&
                      !qryPesquisa->FieldIsNull("NO_PROTOCOLO_CTE");
  linha.bCancelada = !qryPesquisa->FieldIsNull("NO_PROTOCOLO_CAN_CTE");
  return linha;
}

void TMonitorCTe::ReconciliaEmpresa() {
  if (!Conciliacao_.Devida(it_sCNPJEmpresa, Monotonico())) return;
  // A document whose answer still waits in Retorno is that answer's to record.
  std::set<std::string> emRetorno;
  for (const std::string& nome : UnArquivos::ListaArquivos(
           RetornaPastaCTe(3, it_sPastaRaizCTe, it_sCNPJEmpresa), "*"))
    emRetorno.insert(UnFuncoesCTe::ChaveCTe(nome));
  const std::string autorizados = RetornaPastaCTe(9, it_sPastaRaizCTe, it_sCNPJEmpresa);
  const UnLocalidade::DataHora hoje = UnLocalidade::HoraLocal(Hora());
  for (int meses : {0, 1}) {
    const std::string pasta =
        autorizados + UnFuncoesCTe::AnoMes(hoje.iAno, hoje.iMes, meses) + UnArquivos::SEPARADOR;
    for (const char* mascara :
         {UnLeituraAutorizados::MASCARA_AUTORIZADO, UnLeituraAutorizados::MASCARA_CANCELAMENTO}) {
      const bool bEvento = mascara == UnLeituraAutorizados::MASCARA_CANCELAMENTO;
      for (const std::string& nome : UnArquivos::ListaArquivos(pasta, mascara))
        if (!Conciliacao_.Resolvido(pasta + nome))
          ReconciliaDocumento(pasta + nome, nome, bEvento, emRetorno);
    }
  }
}

void TMonitorCTe::ReconciliaDocumento(const std::string& caminho, const std::string& nome,
                                      bool bEvento, const std::set<std::string>& emRetorno) {
  const auto gravacao = UnArquivos::DataUltimaGravacao(caminho);
  if (!gravacao || Conciliacao_.DefeitoInalterado(caminho, gravacao)) return;
  const auto ignora = [&](const std::string& motivo, const std::string& chave) {
    if (Conciliacao_.AvisaDefeito(caminho, gravacao))
      RegistraOcorrencia(UnOcorrencias::DOCUMENTO_IGNORADO, motivo + "; nada gravado dele",
                         caminho, chave, true);
  };
  const std::string chave =
      UnFuncoesCTe::ChaveCTe(bEvento ? nome.substr(0, nome.find('_')) : nome);
  if (chave.empty()) return ignora("sem chave de acesso de CT-e no nome", "");
  try {
    const auto linha = LinhaDaChave(chave);
    using UnReconciliacao::Acao;
    const bool bRespostaEmRetorno = emRetorno.count(chave) > 0;
    switch (UnReconciliacao::Decide(bEvento, linha, Hora() - *gravacao, bRespostaEmRetorno)) {
      case Acao::Resolvido:
        Conciliacao_.MarcaResolvido(caminho);
        return;
      case Acao::Aguarda:
        return;
      case Acao::SemLinha:
        Conciliacao_.MarcaResolvido(caminho);
        RegistraOcorrencia(UnOcorrencias::DOCUMENTO_IGNORADO,
                           "nenhum CT-e do ERP tem esta chave; nada gravado dele", caminho, chave,
                           false);
        return;
      case Acao::Le:
        break;
    }
    UnXml::XmlDocumento& doc = *vXMLDoc;
    doc.Carrega(caminho);
    const UnLeituraAutorizados::DocumentoLido documento = UnLeituraAutorizados::LeDocumento(doc);
    const std::string defeito = UnLeituraAutorizados::Defeito(documento, nome, it_sCNPJEmpresa);
    if (!defeito.empty()) return ignora(defeito, chave);
    it_iID_CTe = linha->iID;
    switch (UnReconciliacao::OQueGravar(documento)) {
      case UnReconciliacao::Registro::Autorizacao:
        if (!RecuperaAutorizacao(documento, caminho)) return;
        break;
      case UnReconciliacao::Registro::Cancelamento:
        RecuperaCancelamento(documento, caminho);
        break;
      case UnReconciliacao::Registro::Nenhum:
        return ignora("situação " + UnFuncoesCTe::CortaTexto(documento.sStatus, 10) +
                          " sem o que gravar", chave);
    }
    Conciliacao_.MarcaResolvido(caminho);
  } catch (const std::exception& erro) {
    // A document that cannot be taken stops nothing; a lost connection ends the pass.
    const UnClassesErro::ClasseErro classe = UnClassesErro::ClassificaErro(erro);
    if (classe == UnClassesErro::ClasseErro::ConexaoPerdida ||
        (classe == UnClassesErro::ClasseErro::Indefinida && !BancoResponde()))
      throw;
    if (classe != UnClassesErro::ClasseErro::ConflitoLinha) ignora(NumaLinha(erro.what()), chave);
  }
}

bool TMonitorCTe::RecuperaAutorizacao(const UnLeituraAutorizados::DocumentoLido& documento,
                                      const std::string& caminho) {
  const std::string& chave = documento.sChave;
  const bool bImprime = UnReconciliacao::Imprime(documento.sData, Hora());
  // Marked in the print record before the row is written: an authorisation of today that the
  // record cannot take waits for the next round rather than go unprinted; an older one is
  // marked given up, so that an answer coming after all does not print it either.
  if (!RegistroImpressao.Conhecida(chave, documento.sProtocolo)) {
    const bool bMarcada =
        bImprime ? RegistroImpressao.MarcaPendente(chave, documento.sProtocolo, it_iID_CTe)
                 : RegistroImpressao.MarcaDesistida(chave, documento.sProtocolo);
    if (!bMarcada && bImprime) return false;
  }
  UnLeituraRespostas::ProtocoloLido protocolo;
  protocolo.sChave = chave;
  protocolo.sDataProcessamento = UnFuncoesCTe::TextoData(documento.sData);
  protocolo.sStatus = documento.sStatus;
  protocolo.sProtocolo = documento.sProtocolo;
  ExecutaAlteracao(UnComandosSql::MontaGravaAutorizacaoSituacao("100", protocolo, it_iID_CTe));
  ++iCTeAutorizada;
  RegistraOcorrencia(UnOcorrencias::AUTORIZACAO_RECUPERADA,
                     "100 - " + documento.sMotivo + "; protocolo " + documento.sProtocolo +
                         " gravado do documento autorizado, sem resposta em Retorno" +
                         (bImprime ? "" : "; autorizado há mais de um dia: não impresso"),
                     caminho, chave, !bImprime);
  EncerraDuvida(chave, "autorizado, segundo o documento do transmissor", false);
  if (bImprime) ImprimeCTe({chave, documento.sProtocolo, it_iID_CTe});
  return true;
}

void TMonitorCTe::RecuperaCancelamento(const UnLeituraAutorizados::DocumentoLido& documento,
                                       const std::string& caminho) {
  UnLeituraRespostas::EventoLido evento;
  evento.sChave = documento.sChave;
  evento.sDataRegistro = UnFuncoesCTe::TextoData(documento.sData);
  evento.sStatus = documento.sStatus;
  evento.sProtocolo = documento.sProtocolo;
  evento.sTipo = documento.sTipoEvento;
  ExecutaAlteracao(UnComandosSql::MontaGravaCancelamentoEvento(evento, it_iID_CTe));
  ++iCTeCancelada;
  RegistraOcorrencia(UnOcorrencias::CANCELAMENTO_RECUPERADO,
                     documento.sStatus + " - " + documento.sMotivo + "; protocolo " +
                         documento.sProtocolo +
                         " gravado do evento registrado, sem resposta em Retorno",
                     caminho, documento.sChave, true);
}

void TMonitorCTe::RegistraDuvida(const std::string& chave, const std::string& identificador,
                                 const std::string& ambiente, const std::string& motivo) {
  // A CT-e the ERP holds as authorised is in no doubt, whatever a later answer says.
  const auto linha = LinhaDaChave(chave);
  if (!linha || linha->bAutorizada) return;
  if (Duvidas_.Registra({chave, identificador, ambiente, motivo, 0, 0, false}))
    RegistraOcorrencia(UnOcorrencias::EM_DUVIDA,
                       motivo + "; sua situação será pedida ao transmissor", "", chave, true);
}

void TMonitorCTe::EncerraDuvida(const std::string& chave, const std::string& desfecho,
                                bool bAlerta) {
  if (Duvidas_.Encerra(chave))
    RegistraOcorrencia(UnOcorrencias::DUVIDA_ENCERRADA, desfecho, "", chave, bAlerta);
}

std::string TMonitorCTe::AmbienteDoEnvio(const std::string& identificador) {
  // Where the transmitter left the ERP's document after a failed send, or while it waits.
  for (int codigo : {5, 11}) {
    const std::string arquivo =
        RetornaPastaCTe(codigo, it_sPastaRaizCTe, it_sCNPJEmpresa) + identificador + "-cte.xml";
    if (!UnArquivos::ExisteArquivo(arquivo)) continue;
    try {
      UnXml::XmlDocumento doc;
      doc.Carrega(arquivo);
      const std::string ambiente = UnLeituraAutorizados::LeAmbienteCTe(doc);
      if (!ambiente.empty()) return ambiente;
    } catch (const UnXml::EXmlErro&) {
      // Not readable: another place may say it, or the doubt is told instead of asked.
    }
  }
  return "";
}

void TMonitorCTe::PedeSituacoes() {
  // None while the transmitter is not taking the company's queue: they would only pile up.
  if (Duvidas_.Quantidade() > 0 && !vigiaTransmissor_.Parado(it_sCNPJEmpresa)) {
    const std::string envio = RetornaPastaCTe(1, it_sPastaRaizCTe, it_sCNPJEmpresa);
    for (const UnRegistroDuvidas::Duvida& duvida : Duvidas_.Devidas()) {
      const auto linha = LinhaDaChave(duvida.sChave);
      if (!linha) {
        EncerraDuvida(duvida.sChave, "nenhum CT-e do ERP tem mais esta chave", false);
        continue;
      }
      if (linha->bAutorizada) {
        EncerraDuvida(duvida.sChave, "autorizado no ERP", false);
        continue;
      }
      if (duvida.sAmbiente.empty()) {
        if (Duvidas_.AvisaSemAmbiente(duvida.sChave))
          RegistraOcorrencia(UnOcorrencias::EM_DUVIDA,
                             duvida.sMotivo +
                                 "; o ambiente do CT-e não pôde ser lido, a situação não foi "
                                 "pedida: consulte-a no transmissor",
                             "", duvida.sChave, true);
        continue;
      }
      // Written elsewhere on the volume and renamed in: the transmitter never takes half a
      // file, and one still queued is not written again.
      const std::string nome = duvida.sIdentificador + SUFIXO_PEDIDO;
      if (UnArquivos::ExisteArquivo(envio + nome)) continue;
      const std::string temporario =
          RetornaPastaCTe(0, it_sPastaRaizCTe, it_sCNPJEmpresa) + nome + ".tmp";
      if (!UnArquivos::GravaPorTemporario(
              temporario, envio + nome,
              UnRegistroDuvidas::PedidoSituacao(duvida.sAmbiente, duvida.sChave), false))
        continue;
      Duvidas_.MarcaPedida(duvida.sChave);
      RegistraOcorrencia(UnOcorrencias::SITUACAO_PEDIDA,
                         "pedido de situação escrito em Envio (" + duvida.sMotivo + ")",
                         envio + nome, duvida.sChave, false);
    }
  }
  Conciliacao_.DefineDuvidas(it_sCNPJEmpresa, Duvidas_.Quantidade());
  tela.MostraDuvidas(Conciliacao_.Duvidas());
}
