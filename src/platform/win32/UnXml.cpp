// The answer files' XML document over MSXML 6. The document is parsed from the file's bytes,
// so the encoding comes from the file itself; a DTD is refused and entities never expanded,
// as with the Linux parser. Children are matched by local name within the parent's namespace.
#include "platform/UnXml.h"

#include <windows.h>
#include <objbase.h>
#include <msxml2.h>
#include <oleauto.h>

#include <cstdint>
#include <cstring>

#include "platform/UnArquivos.h"
#include "platform/win32/UnCom.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnXml {

struct XmlDocumento::Impl {
  UnCom::Ponteiro<IXMLDOMDocument2> documento;
};

namespace {

// Msxml2.DOMDocument.6.0
constexpr CLSID CLSID_DOMDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr IID ID_IXMLDOMNode = {
    0x2933bf80, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
constexpr IID ID_IXMLDOMDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

using UnCom::Ponteiro;
using UnCom::TextoBstr;

std::string Texto(const TextoBstr& texto) {
  return UnTextoLargo::Estreito(std::wstring_view(texto.Get(), texto.Tamanho()));
}

std::wstring Largo(const TextoBstr& texto) { return std::wstring(texto.Get(), texto.Tamanho()); }

IXMLDOMNode* No(const std::shared_ptr<void>& no, const char* operacao) {
  if (!no) throw EXmlErro(std::string("Leitura em elemento XML inexistente: ") + operacao);
  return static_cast<IXMLDOMNode*>(no.get());
}

XmlElemento Elemento(Ponteiro<IXMLDOMNode> no) {
  if (!no) return XmlElemento();
  return XmlElemento(
      std::shared_ptr<void>(no.Solta(), [](void* p) { static_cast<IXMLDOMNode*>(p)->Release(); }));
}

std::wstring NomeBase(IXMLDOMNode* no) {
  TextoBstr nome;
  if (FAILED(no->get_baseName(nome.Endereco()))) return {};
  return Largo(nome);
}

std::wstring NamespaceDe(IXMLDOMNode* no) {
  TextoBstr uri;
  if (FAILED(no->get_namespaceURI(uri.Endereco()))) return {};
  return Largo(uri);
}

std::string TextoDe(IXMLDOMNode* no) {
  TextoBstr texto;
  if (FAILED(no->get_text(texto.Endereco()))) return {};
  return Texto(texto);
}

// Walks the child nodes in order; `visita` gets each element and answers true to stop.
template <typename Visita>
void PercorreElementos(IXMLDOMNode* pai, Visita visita) {
  Ponteiro<IXMLDOMNodeList> filhos;
  if (FAILED(pai->get_childNodes(filhos.Endereco())) || !filhos) return;
  long quantidade = 0;
  filhos->get_length(&quantidade);
  for (long i = 0; i < quantidade; ++i) {
    Ponteiro<IXMLDOMNode> filho;
    if (FAILED(filhos->get_item(i, filho.Endereco())) || !filho) continue;
    DOMNodeType tipo = NODE_INVALID;
    filho->get_nodeType(&tipo);
    if (tipo == NODE_ELEMENT && visita(filho)) return;
  }
}

Ponteiro<IXMLDOMNode> PrimeiroFilho(IXMLDOMNode* pai, const std::string& nome) {
  const std::wstring procurado = UnTextoLargo::Largo(nome);
  const std::wstring namespacePai = NamespaceDe(pai);
  Ponteiro<IXMLDOMNode> achado;
  PercorreElementos(pai, [&](Ponteiro<IXMLDOMNode>& filho) {
    if (NomeBase(filho.Get()) != procurado || NamespaceDe(filho.Get()) != namespacePai)
      return false;
    achado = std::move(filho);
    return true;
  });
  return achado;
}

VARIANT Booleano(bool valor) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = valor ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

std::string DescricaoErro(IXMLDOMDocument2* documento, const std::string& origem) {
  std::string sMotivo = "erro desconhecido";
  long linha = 0, coluna = 0;
  Ponteiro<IXMLDOMParseError> erro;
  if (SUCCEEDED(documento->get_parseError(erro.Endereco())) && erro) {
    TextoBstr motivo;
    if (SUCCEEDED(erro->get_reason(motivo.Endereco())) && motivo.Tamanho() > 0) {
      sMotivo = Texto(motivo);
      while (!sMotivo.empty() && (sMotivo.back() == '\n' || sMotivo.back() == '\r'))
        sMotivo.pop_back();
    }
    erro->get_line(&linha);
    erro->get_linepos(&coluna);
  }
  return "XML mal formado em " + origem + ", linha " + std::to_string(linha) + ", coluna " +
         std::to_string(coluna) + ": " + sMotivo;
}

// MSXML reads the bytes as a file: byte-order mark, encoding declaration, UTF-8 by default.
bool CarregaBytes(IXMLDOMDocument2* documento, const std::string& conteudo) {
  SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(conteudo.size()));
  if (!bytes) throw EXmlErro("Memória insuficiente para o documento XML");
  void* dados = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(bytes, &dados))) {
    if (!conteudo.empty()) std::memcpy(dados, conteudo.data(), conteudo.size());
    SafeArrayUnaccessData(bytes);
  }
  VARIANT origem;
  VariantInit(&origem);
  origem.vt = VT_ARRAY | VT_UI1;
  origem.parray = bytes;
  VARIANT_BOOL ok = VARIANT_FALSE;
  const HRESULT hr = documento->load(origem, &ok);
  VariantClear(&origem);
  if (hr == E_OUTOFMEMORY) throw EXmlErro("Memória insuficiente para o documento XML");
  return SUCCEEDED(hr) && ok == VARIANT_TRUE;
}

Ponteiro<IXMLDOMDocument2> LeDocumento(const std::string& conteudo, const std::string& origem) {
  UnCom::GaranteCom();
  Ponteiro<IXMLDOMDocument2> novo;
  if (FAILED(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER,
                              ID_IXMLDOMDocument2,
                              reinterpret_cast<void**>(novo.Endereco()))))
    throw EXmlErro("O componente MSXML 6 não está disponível");
  IXMLDOMDocument2* documento = novo.Get();
  documento->put_async(VARIANT_FALSE);
  documento->put_resolveExternals(VARIANT_FALSE);
  documento->put_validateOnParse(VARIANT_FALSE);
  // Text is kept exactly as written, blanks around it included.
  documento->put_preserveWhiteSpace(VARIANT_TRUE);
  TextoBstr proibeDtd(L"ProhibitDTD");
  documento->setProperty(proibeDtd.Get(), Booleano(true));
  if (!CarregaBytes(documento, conteudo)) throw EXmlErro(DescricaoErro(documento, origem), true);
  // Not every MSXML honours ProhibitDTD: the document type is refused here as well.
  Ponteiro<IXMLDOMDocumentType> tipo;
  if (SUCCEEDED(documento->get_doctype(tipo.Endereco())) && tipo)
    throw EXmlErro("XML mal formado em " + origem + ": DTD não é aceita", true);
  return novo;
}

}  // namespace

std::string XmlElemento::TextoFilho(const std::string& nome) const {
  const Ponteiro<IXMLDOMNode> filho = PrimeiroFilho(No(no_, nome.c_str()), nome);
  return filho ? SemBrancosEmVolta(TextoDe(filho.Get())) : std::string();
}

XmlElemento XmlElemento::ElementoFilho(const std::string& nome) const {
  return Elemento(PrimeiroFilho(No(no_, nome.c_str()), nome));
}

size_t XmlElemento::QuantidadeFilhos() const {
  size_t quantidade = 0;
  PercorreElementos(No(no_, "filhos"), [&](Ponteiro<IXMLDOMNode>&) {
    ++quantidade;
    return false;
  });
  return quantidade;
}

XmlElemento XmlElemento::Filho(size_t indice) const {
  Ponteiro<IXMLDOMNode> achado;
  PercorreElementos(No(no_, "filho"), [&](Ponteiro<IXMLDOMNode>& filho) {
    if (indice-- != 0) return false;
    achado = std::move(filho);
    return true;
  });
  return Elemento(std::move(achado));
}

std::string XmlElemento::NomeLocal() const {
  return UnTextoLargo::Estreito(NomeBase(No(no_, "nome")));
}

std::string XmlElemento::Texto() const { return SemBrancosEmVolta(TextoDe(No(no_, "texto"))); }

XmlDocumento::XmlDocumento() : impl_(std::make_shared<Impl>()) {}

XmlDocumento::~XmlDocumento() = default;

// A failed load leaves the document empty; elements taken from an earlier load keep their
// own document alive.
void XmlDocumento::Carrega(const std::string& caminho) {
  impl_ = std::make_shared<Impl>();
  const std::string conteudo = LeArquivoXml(caminho);
  auto novo = std::make_shared<Impl>();
  novo->documento = LeDocumento(conteudo, caminho);
  impl_ = std::move(novo);
}

void XmlDocumento::CarregaTexto(const std::string& conteudo) {
  impl_ = std::make_shared<Impl>();
  auto novo = std::make_shared<Impl>();
  novo->documento = LeDocumento(conteudo, "texto");
  impl_ = std::move(novo);
}

XmlElemento XmlDocumento::ElementoDocumento() const {
  if (!impl_->documento) return XmlElemento();
  Ponteiro<IXMLDOMElement> raiz;
  if (FAILED(impl_->documento->get_documentElement(raiz.Endereco())) || !raiz)
    return XmlElemento();
  Ponteiro<IXMLDOMNode> no;
  raiz->QueryInterface(ID_IXMLDOMNode, reinterpret_cast<void**>(no.Endereco()));
  return Elemento(std::move(no));
}

}  // namespace UnXml
