#pragma once
// The XML document of the answer files. Child names are matched by local name within the
// parent's namespace.
#include <memory>
#include <stdexcept>
#include <string>

namespace UnXml {

// An element's text as both backends give it: without the white space around it (a re-indented
// answer), as MSXML reads text when white space is not preserved.
inline std::string SemBrancosEmVolta(const std::string& texto) {
  const char* const BRANCOS = " \t\r\n";
  const size_t inicio = texto.find_first_not_of(BRANCOS);
  if (inicio == std::string::npos) return "";
  return texto.substr(inicio, texto.find_last_not_of(BRANCOS) - inicio + 1);
}

class EXmlErro : public std::runtime_error {
 public:
  explicit EXmlErro(const std::string& mensagem, bool bMalFormado = false)
      : std::runtime_error(mensagem), bMalFormado_(bMalFormado) {}
  // The bytes are not well-formed XML (an empty file too): the file is broken, not the reader.
  // Otherwise the file could not be read, an element is missing or the reader lacked memory.
  bool MalFormado() const { return bMalFormado_; }

 private:
  bool bMalFormado_;
};

// A file larger than any answer of the authority: not read, and not worth waiting for.
class EXmlGrande : public EXmlErro {
 public:
  using EXmlErro::EXmlErro;
};

// The largest file Carrega reads: an answer is a few KiB, a lot's answer some hundreds.
inline constexpr size_t TAMANHO_MAXIMO_ARQUIVO = 16u << 20;

// The bytes of a file for Carrega: raises EXmlGrande beyond TAMANHO_MAXIMO_ARQUIVO (told by the
// file's size, before a byte is read), EXmlErro when it cannot be read.
std::string LeArquivoXml(const std::string& caminho);

class XmlElemento {
 public:
  XmlElemento() = default;
  explicit XmlElemento(std::shared_ptr<void> no) : no_(std::move(no)) {}
  bool Existe() const { return static_cast<bool>(no_); }
  // Text of the first child element with that name; empty when absent. Raises below none.
  std::string TextoFilho(const std::string& nome) const;
  // First child element with that name, or none. Raises below none.
  XmlElemento ElementoFilho(const std::string& nome) const;
  // Child elements by position. Raise below none.
  size_t QuantidadeFilhos() const;
  XmlElemento Filho(size_t indice) const;
  std::string NomeLocal() const;
  std::string Texto() const;

 private:
  std::shared_ptr<void> no_;
};

class XmlDocumento {
 public:
  XmlDocumento();
  ~XmlDocumento();
  XmlDocumento(const XmlDocumento&) = delete;
  XmlDocumento& operator=(const XmlDocumento&) = delete;
  // Raise EXmlErro when the file cannot be read or is not well-formed (see LeArquivoXml).
  void Carrega(const std::string& caminho);
  void CarregaTexto(const std::string& conteudo);
  XmlElemento ElementoDocumento() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace UnXml
