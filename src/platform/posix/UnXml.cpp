// The answer files' XML document over pugixml. pugixml is lenient where MSXML is strict, so a
// check of the parsed tree refuses what is not well-formed XML with namespaces: several root
// elements, text outside the root, a DTD (entities are never expanded), undefined entity
// references, "<" in attribute values, repeated attributes and undeclared prefixes.
#include "platform/UnXml.h"

#include <algorithm>
#include <cstdint>
#include <pugixml.hpp>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/UnArquivos.h"

namespace UnXml {

struct XmlDocumento::Impl {
  pugi::xml_document documento;
};

namespace {

constexpr std::string_view NAMESPACE_XML = "http://www.w3.org/XML/1998/namespace";

constexpr unsigned OPCOES_LEITURA =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype | pugi::parse_fragment;

std::string_view Prefixo(std::string_view nome) {
  const size_t doisPontos = nome.find(':');
  return doisPontos == std::string_view::npos ? std::string_view() : nome.substr(0, doisPontos);
}

std::string_view Local(std::string_view nome) {
  const size_t doisPontos = nome.find(':');
  return doisPontos == std::string_view::npos ? nome : nome.substr(doisPontos + 1);
}

// Line and column of a byte offset of the content, for the error message.
std::string Posicao(std::string_view conteudo, ptrdiff_t deslocamento) {
  if (deslocamento < 0) return "posição desconhecida";
  const size_t fim = std::min(conteudo.size(), static_cast<size_t>(deslocamento));
  size_t linha = 1, inicioLinha = 0;
  for (size_t i = 0; i < fim; ++i) {
    if (conteudo[i] == '\n') {
      ++linha;
      inicioLinha = i + 1;
    }
  }
  return "linha " + std::to_string(linha) + ", coluna " + std::to_string(fim - inicioLinha + 1) +
         " (byte " + std::to_string(deslocamento) + ")";
}

class ErroEstrutura {
 public:
  ErroEstrutura(std::string motivo, ptrdiff_t deslocamento)
      : motivo_(std::move(motivo)), deslocamento_(deslocamento) {}
  const std::string& Motivo() const { return motivo_; }
  ptrdiff_t Deslocamento() const { return deslocamento_; }

 private:
  std::string motivo_;
  ptrdiff_t deslocamento_;
};

// Walks the tree without recursion (answer files come from outside and may be deep),
// keeping the namespace declarations in scope per prefix.
class VerificadorEstrutura {
 public:
  void Verifica(const pugi::xml_document& documento, std::string_view conteudo) {
    VerificaNivelDocumento(documento, conteudo);
    pugi::xml_node no = documento.document_element();
    const pugi::xml_node raiz = no;
    for (;;) {
      Entra(no);
      if (no.first_child()) {
        no = no.first_child();
        continue;
      }
      for (;;) {
        Sai(no);
        if (no == raiz) return;
        if (no.next_sibling()) {
          no = no.next_sibling();
          break;
        }
        no = no.parent();
      }
    }
  }

 private:
  static void VerificaNivelDocumento(const pugi::xml_document& documento,
                                     std::string_view conteudo) {
    int elementos = 0;
    bool primeiro = true;
    for (const pugi::xml_node no : documento.children()) {
      switch (no.type()) {
        case pugi::node_element:
          ++elementos;
          if (elementos > 1) throw ErroEstrutura("mais de um elemento raiz", no.offset_debug());
          break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
          throw ErroEstrutura("texto fora do elemento raiz", no.offset_debug());
        case pugi::node_doctype:
          throw ErroEstrutura("DTD não é aceita", no.offset_debug());
        case pugi::node_declaration: {
          const bool utf8 = conteudo.empty() ||
                            (conteudo[0] != '\0' && conteudo[0] != '\xFE' && conteudo[0] != '\xFF');
          if (conteudo.substr(0, 3) == "\xEF\xBB\xBF") conteudo.remove_prefix(3);
          if (!primeiro || (utf8 && conteudo.substr(0, 5) != "<?xml")) {
            throw ErroEstrutura("declaração XML fora do início", no.offset_debug());
          }
          break;
        }
        default:
          break;
      }
      primeiro = false;
    }
    if (elementos == 0) throw ErroEstrutura("nenhum elemento raiz", 0);
  }

  // Character data as written: every "&" must open a predefined entity or a reference to a
  // character XML allows.
  static void VerificaTexto(std::string_view texto, ptrdiff_t deslocamento) {
    for (size_t e = texto.find('&'); e != std::string_view::npos; e = texto.find('&', e + 1)) {
      const size_t fim = texto.find(';', e);
      const std::string_view nome =
          fim == std::string_view::npos ? std::string_view() : texto.substr(e + 1, fim - e - 1);
      if (nome == "lt" || nome == "gt" || nome == "amp" || nome == "quot" || nome == "apos")
        continue;
      if (nome.size() < 2 || nome[0] != '#' || !EhCaractereReferenciavel(nome.substr(1))) {
        throw ErroEstrutura("referência a entidade não definida", deslocamento);
      }
    }
  }

  static bool EhCaractereReferenciavel(std::string_view numero) {
    const bool hexa = numero[0] == 'x';
    if (hexa) numero.remove_prefix(1);
    if (numero.empty() || numero.size() > 8) return false;
    uint32_t valor = 0;
    for (const char c : numero) {
      int digito;
      if (c >= '0' && c <= '9')
        digito = c - '0';
      else if (hexa && c >= 'a' && c <= 'f')
        digito = c - 'a' + 10;
      else if (hexa && c >= 'A' && c <= 'F')
        digito = c - 'A' + 10;
      else
        return false;
      valor = valor * (hexa ? 16 : 10) + static_cast<uint32_t>(digito);
    }
    return valor == 0x9 || valor == 0xA || valor == 0xD || (valor >= 0x20 && valor <= 0xD7FF) ||
           (valor >= 0xE000 && valor <= 0xFFFD) || (valor >= 0x10000 && valor <= 0x10FFFF);
  }

  void Entra(const pugi::xml_node& no) {
    if (no.type() == pugi::node_pcdata) {
      VerificaTexto(no.value(), no.offset_debug());
      return;
    }
    if (no.type() != pugi::node_element) return;
    declaradosPorNivel_.emplace_back();
    auto& declarados = declaradosPorNivel_.back();
    nomesAtributos_.clear();
    for (const pugi::xml_attribute atributo : no.attributes()) {
      const std::string_view nome = atributo.name();
      if (!nomesAtributos_.insert(nome).second) {
        throw ErroEstrutura("atributo repetido: " + std::string(nome), no.offset_debug());
      }
      VerificaTexto(atributo.value(), no.offset_debug());
      if (std::string_view(atributo.value()).find('<') != std::string_view::npos) {
        throw ErroEstrutura("\"<\" em valor de atributo", no.offset_debug());
      }
      if (nome == "xmlns") {
        Declara(std::string_view(), atributo.value(), declarados);
      } else if (Prefixo(nome) == "xmlns") {
        const std::string_view prefixo = Local(nome);
        const std::string_view valor = atributo.value();
        if (valor.empty() || prefixo == "xmlns" || (prefixo == "xml") != (valor == NAMESPACE_XML)) {
          throw ErroEstrutura("declaração de namespace inválida: " + std::string(nome),
                              no.offset_debug());
        }
        Declara(prefixo, valor, declarados);
      }
    }
    VerificaNome(no.name(), true, no);
    for (const pugi::xml_attribute atributo : no.attributes()) {
      if (Prefixo(atributo.name()) != "xmlns") VerificaNome(atributo.name(), false, no);
    }
  }

  void Sai(const pugi::xml_node& no) {
    if (no.type() != pugi::node_element) return;
    for (const std::string_view prefixo : declaradosPorNivel_.back()) escopo_[prefixo].pop_back();
    declaradosPorNivel_.pop_back();
  }

  void Declara(std::string_view prefixo, std::string_view valor,
               std::vector<std::string_view>& declarados) {
    escopo_[prefixo].push_back(valor);
    declarados.push_back(prefixo);
  }

  void VerificaNome(std::string_view nome, bool elemento, const pugi::xml_node& no) const {
    const std::string_view prefixo = Prefixo(nome);
    const bool comPrefixo = nome.find(':') != std::string_view::npos;
    if (!comPrefixo) return;
    if (prefixo.empty() || Local(nome).empty() || Local(nome).find(':') != std::string_view::npos ||
        (elemento && prefixo == "xmlns")) {
      throw ErroEstrutura("nome inválido: " + std::string(nome), no.offset_debug());
    }
    if (prefixo == "xml") return;
    const auto declarado = escopo_.find(prefixo);
    if (declarado == escopo_.end() || declarado->second.empty()) {
      throw ErroEstrutura("prefixo não declarado: " + std::string(nome), no.offset_debug());
    }
  }

  std::unordered_map<std::string_view, std::vector<std::string_view>> escopo_;
  std::vector<std::vector<std::string_view>> declaradosPorNivel_;
  std::unordered_set<std::string_view> nomesAtributos_;
};

// The structure is checked on a first reading that leaves references as written; the
// document kept is a second reading with them replaced.
void LeDocumento(pugi::xml_document& documento, std::string_view conteudo,
                 const std::string& origem) {
  auto erro = [&](ptrdiff_t deslocamento, const std::string& motivo) {
    return EXmlErro("XML mal formado em " + origem + ", " + Posicao(conteudo, deslocamento) + ": " +
                    motivo, true);
  };
  // Short of memory for a large answer: the workstation's fault, not the file's.
  auto falta = [](const pugi::xml_parse_result& r) {
    if (r.status == pugi::status_out_of_memory)
      throw EXmlErro("Memória insuficiente para o documento XML");
  };
  {
    pugi::xml_document estrutura;
    const pugi::xml_parse_result resultado =
        estrutura.load_buffer(conteudo.data(), conteudo.size(),
                              OPCOES_LEITURA & ~pugi::parse_escapes, pugi::encoding_auto);
    falta(resultado);
    if (!resultado) throw erro(resultado.offset, resultado.description());
    try {
      VerificadorEstrutura().Verifica(estrutura, conteudo);
    } catch (const ErroEstrutura& e) {
      throw erro(e.Deslocamento(), e.Motivo());
    }
  }
  const pugi::xml_parse_result resultado =
      documento.load_buffer(conteudo.data(), conteudo.size(), OPCOES_LEITURA, pugi::encoding_auto);
  falta(resultado);
  if (!resultado) throw erro(resultado.offset, resultado.description());
}

pugi::xml_node No(const std::shared_ptr<void>& no, const char* operacao) {
  if (!no) throw EXmlErro(std::string("Leitura em elemento XML inexistente: ") + operacao);
  return pugi::xml_node(static_cast<pugi::xml_node_struct*>(no.get()));
}

XmlElemento Elemento(const std::shared_ptr<void>& dono, const pugi::xml_node& no) {
  if (!no) return XmlElemento();
  return XmlElemento(std::shared_ptr<void>(dono, no.internal_object()));
}

// The namespace of an element: the nearest declaration of its prefix (or of the default
// namespace) on itself or an ancestor.
std::string_view NamespaceDe(const pugi::xml_node& elemento) {
  const std::string_view prefixo = Prefixo(elemento.name());
  if (prefixo == "xml") return NAMESPACE_XML;
  const std::string atributo = prefixo.empty() ? "xmlns" : "xmlns:" + std::string(prefixo);
  for (pugi::xml_node no = elemento; no.type() == pugi::node_element; no = no.parent()) {
    if (const pugi::xml_attribute declaracao = no.attribute(atributo.c_str())) {
      return declaracao.value();
    }
  }
  return {};
}

pugi::xml_node PrimeiroFilho(const pugi::xml_node& pai, const std::string& nome) {
  const std::string_view namespacePai = NamespaceDe(pai);
  for (const pugi::xml_node filho : pai.children()) {
    if (filho.type() == pugi::node_element && Local(filho.name()) == nome &&
        NamespaceDe(filho) == namespacePai) {
      return filho;
    }
  }
  return {};
}

std::string TextoDe(const pugi::xml_node& elemento) {
  std::string texto;
  for (pugi::xml_node no = elemento.first_child(); no && no != elemento;) {
    if (no.type() == pugi::node_pcdata || no.type() == pugi::node_cdata) texto += no.value();
    if (no.type() == pugi::node_element && no.first_child()) {
      no = no.first_child();
      continue;
    }
    while (no != elemento && !no.next_sibling()) no = no.parent();
    if (no != elemento) no = no.next_sibling();
  }
  return texto;
}

}  // namespace

std::string XmlElemento::TextoFilho(const std::string& nome) const {
  const pugi::xml_node filho = PrimeiroFilho(No(no_, nome.c_str()), nome);
  return filho ? SemBrancosEmVolta(TextoDe(filho)) : std::string();
}

XmlElemento XmlElemento::ElementoFilho(const std::string& nome) const {
  return Elemento(no_, PrimeiroFilho(No(no_, nome.c_str()), nome));
}

size_t XmlElemento::QuantidadeFilhos() const {
  size_t quantidade = 0;
  for (const pugi::xml_node filho : No(no_, "filhos").children()) {
    if (filho.type() == pugi::node_element) ++quantidade;
  }
  return quantidade;
}

XmlElemento XmlElemento::Filho(size_t indice) const {
  for (const pugi::xml_node filho : No(no_, "filho").children()) {
    if (filho.type() != pugi::node_element) continue;
    if (indice == 0) return Elemento(no_, filho);
    --indice;
  }
  return XmlElemento();
}

std::string XmlElemento::NomeLocal() const { return std::string(Local(No(no_, "nome").name())); }

std::string XmlElemento::Texto() const { return SemBrancosEmVolta(TextoDe(No(no_, "texto"))); }

XmlDocumento::XmlDocumento() : impl_(std::make_shared<Impl>()) {}

XmlDocumento::~XmlDocumento() = default;

// A failed load leaves the document empty, as MSXML does; elements taken from an earlier
// load keep their own document alive.
void XmlDocumento::Carrega(const std::string& caminho) {
  impl_ = std::make_shared<Impl>();
  const std::string conteudo = LeArquivoXml(caminho);
  auto novo = std::make_shared<Impl>();
  LeDocumento(novo->documento, conteudo, caminho);
  impl_ = std::move(novo);
}

void XmlDocumento::CarregaTexto(const std::string& conteudo) {
  impl_ = std::make_shared<Impl>();
  auto novo = std::make_shared<Impl>();
  LeDocumento(novo->documento, conteudo, "texto");
  impl_ = std::move(novo);
}

XmlElemento XmlDocumento::ElementoDocumento() const {
  return Elemento(impl_, impl_->documento.document_element());
}

}  // namespace UnXml
