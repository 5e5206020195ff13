#pragma once
// The hidden file list the processors share: a folder, a mask, the matching plain files in
// ascending order (case ignored), and a selection.
#include <string>
#include <vector>

class TFileListBox {
 public:
  std::string Mask;
  std::string Directory;  // without a trailing separator
  std::vector<std::string> Items;
  int ItemIndex = -1;     // -1: nothing selected

  void Clear() { Items.clear(); ItemIndex = -1; }
  void Update();          // reads the folder again; nothing is selected afterwards
  // Drops a name that left the folder, without reading the folder again.
  void Remove(const std::string& nome);
  // Folder + separator + the selected name; empty when nothing is selected.
  std::string FileName() const;
  std::string NomeSelecionado() const;
};
