#include "platform/UnAreaTrabalho.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace UnAreaTrabalho {

namespace {

std::string Ambiente(const char* nome) {
  const char* valor = std::getenv(nome);
  return valor ? valor : "";
}

// XDG_DESKTOP_DIR of user-dirs.dirs: "$HOME/..." or an absolute path, in double quotes.
std::string LePastaXdg(const std::string& arquivo, const std::string& home) {
  std::ifstream entrada(arquivo);
  std::string sLinha, sPasta;
  constexpr std::string_view CHAVE = "XDG_DESKTOP_DIR=";
  while (std::getline(entrada, sLinha)) {
    const size_t iInicio = sLinha.find_first_not_of(" \t");
    if (iInicio == std::string::npos || sLinha.compare(iInicio, CHAVE.size(), CHAVE) != 0) continue;
    std::string sValor = sLinha.substr(iInicio + CHAVE.size());
    while (!sValor.empty() && (sValor.back() == '\r' || sValor.back() == ' ')) sValor.pop_back();
    if (sValor.size() < 2 || sValor.front() != '"' || sValor.back() != '"') continue;
    sValor = sValor.substr(1, sValor.size() - 2);
    if (sValor.rfind("$HOME", 0) == 0) {
      if (home.empty()) continue;
      sValor = home + sValor.substr(5);
    }
    if (!sValor.empty() && sValor.front() == '/') sPasta = sValor;  // the last line wins
  }
  return sPasta;
}

// A value of the Exec key: one quoted argument, with the escapes of the launcher format.
std::string ArgumentoExec(const std::string& caminho) {
  std::string sTexto = "\"";
  for (char c : caminho) {
    if (c == '"' || c == '`' || c == '$')
      sTexto += std::string("\\") + c;
    else if (c == '\\')
      sTexto += "\\\\\\\\";
    else if (c == '%')
      sTexto += "%%";
    else if (c == '\n')
      sTexto += "\\n";
    else
      sTexto += c;
  }
  return sTexto + "\"";
}

std::string TextoEntrada(const std::string& texto) {
  std::string sTexto;
  for (char c : texto) {
    if (c == '\\')
      sTexto += "\\\\";
    else if (c == '\n')
      sTexto += "\\n";
    else
      sTexto += c;
  }
  return sTexto;
}

}  // namespace

std::string PastaDesktop() {
  const std::string sHome = Ambiente("HOME");
  std::string sConfiguracao = Ambiente("XDG_CONFIG_HOME");
  if (sConfiguracao.empty() && !sHome.empty()) sConfiguracao = sHome + "/.config";
  std::string sPasta;
  if (!sConfiguracao.empty()) sPasta = LePastaXdg(sConfiguracao + "/user-dirs.dirs", sHome);
  if (sPasta.empty() && !sHome.empty()) sPasta = sHome + "/Desktop";
  if (sPasta.empty()) return "";
  return sPasta.back() == '/' ? sPasta : sPasta + "/";
}

std::string CriaAtalho(const std::string& arquivoSemExtensao, const std::string& alvo,
                       const std::string& descricao) {
  const std::string sArquivo = arquivoSemExtensao + ".desktop";
  {
    std::ofstream saida(sArquivo, std::ios::binary | std::ios::trunc);
    if (!saida) return sArquivo + " não gravado (" + std::strerror(errno) + ")";
    saida << "[Desktop Entry]\nType=Application\nName=" << TextoEntrada(descricao)
          << "\nExec=" << ArgumentoExec(alvo) << "\n";
    if (!saida.flush()) return sArquivo + " não gravado";
  }
  // Desktops only start launchers that their owner may run.
  std::error_code erro;
  std::filesystem::permissions(sArquivo,
                               std::filesystem::perms::owner_exec |
                                   std::filesystem::perms::group_exec |
                                   std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add, erro);
  return {};
}

}  // namespace UnAreaTrabalho
