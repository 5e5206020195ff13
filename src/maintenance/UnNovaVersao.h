#pragma once
// Names the update check works with (TMonitorCTe::VerificaNovaVersao).
#include <cstddef>

namespace UnNovaVersao {

inline constexpr const char* NOME_ATUALIZADOR = "quelvixAtualizador.exe";
// The download lands here first, so a broken transfer never replaces a working updater.
inline constexpr const char* NOME_DOWNLOAD = "oldquelvixAtualizador.exe";
inline constexpr const char* CAMINHO_DOWNLOAD =
    "/update/Atualizacao/quelvix%20Empresa/quelvixAtualizador.exe";
// The maker's signature, at the updater's address with this appended and beside it in the
// update folder.
inline constexpr const char* SUFIXO_ASSINATURA = ".sig";
// Beside the executable, switches the whole check off (a developer's workstation).
inline constexpr const char* ARQUIVO_DEPURACAO = "DebugarDelphi.tmp";
// A download shorter than this, or not starting with "MZ", is a server's page, not a program.
inline constexpr size_t TAMANHO_MINIMO_ATUALIZADOR = 1024;

}  // namespace UnNovaVersao
