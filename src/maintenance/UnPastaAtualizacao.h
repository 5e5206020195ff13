#pragma once
// The shared update folder and the forms of the folders the updater is given.
#include <string>

namespace UnPastaAtualizacao {

// "Update" beside the folder that holds the server initialisation file (no trailing
// separator). Without a parent folder to sit beside, "Update" inside the ini file's folder.
std::string RetornaPastaAtualizacao(const std::string& iniServidor);
// Every blank as "§", so a folder is one token on the updater's command line.
std::string FormaParametro(const std::string& pasta);

}  // namespace UnPastaAtualizacao
