#include "processing/UnListaArquivos.h"

#include <algorithm>

#include "platform/UnArquivos.h"

void TFileListBox::Update() {
  Items = UnArquivos::ListaArquivos(Directory, Mask);
  ItemIndex = -1;
}

void TFileListBox::Remove(const std::string& nome) {
  std::erase(Items, nome);
  ItemIndex = -1;
}

std::string TFileListBox::NomeSelecionado() const {
  if (ItemIndex < 0 || static_cast<size_t>(ItemIndex) >= Items.size()) return {};
  return Items[static_cast<size_t>(ItemIndex)];
}

std::string TFileListBox::FileName() const {
  const std::string nome = NomeSelecionado();
  if (nome.empty()) return {};
  return Directory + UnArquivos::SEPARADOR + nome;
}
