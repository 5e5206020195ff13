#pragma once
// The "Aviso do Sistema" notice on the terminal.
#include <string>

namespace UnMensagemConfirmarGenerica {

// Prints the notice; with the acknowledgement flag it waits for Enter when a terminal is
// there; with the automatic-close flag it stays five seconds before returning.
void MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico);

}  // namespace UnMensagemConfirmarGenerica
