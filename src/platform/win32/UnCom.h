#pragma once
// COM for the calling thread, kept initialised from the first use until the thread ends:
// XML nodes and shell objects may outlive the call that made them.
#include <windows.h>
#include <oleauto.h>

namespace UnCom {

// Raises std::runtime_error when COM cannot be initialised on this thread.
void GaranteCom();

// Owns one interface pointer.
template <typename T>
class Ponteiro {
 public:
  Ponteiro() = default;
  explicit Ponteiro(T* p) : p_(p) {}
  ~Ponteiro() { Libera(); }
  Ponteiro(const Ponteiro&) = delete;
  Ponteiro& operator=(const Ponteiro&) = delete;
  Ponteiro(Ponteiro&& outro) noexcept : p_(outro.p_) { outro.p_ = nullptr; }
  Ponteiro& operator=(Ponteiro&& outro) noexcept {
    if (this != &outro) {
      Libera();
      p_ = outro.p_;
      outro.p_ = nullptr;
    }
    return *this;
  }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For the out-parameter of a COM call; drops what was held.
  T** Endereco() {
    Libera();
    return &p_;
  }
  T* Solta() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  void Libera() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T* p_ = nullptr;
};

// A BSTR released at the end of its scope.
class TextoBstr {
 public:
  TextoBstr() = default;
  explicit TextoBstr(const wchar_t* texto) : b_(SysAllocString(texto)) {}
  ~TextoBstr() { SysFreeString(b_); }
  TextoBstr(const TextoBstr&) = delete;
  TextoBstr& operator=(const TextoBstr&) = delete;
  BSTR Get() const { return b_; }
  BSTR* Endereco() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  size_t Tamanho() const { return b_ ? SysStringLen(b_) : 0; }

 private:
  BSTR b_ = nullptr;
};

}  // namespace UnCom
