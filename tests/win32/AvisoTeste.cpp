// The "Aviso do Sistema" notice: both presentations, the acknowledgement box and the
// automatic close, on real windows.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/win32/UnMensagemConfirmarGenerica.h"
#include "win32/UnJanelasTeste.h"

using namespace UnMensagemConfirmarGenerica;

namespace {

RECT Externo(HWND janela) {
  RECT r;
  GetWindowRect(janela, &r);
  return r;
}

bool Habilitado(HWND janela) { return IsWindowEnabled(janela) != FALSE; }

void Clica(HWND botao) { SendMessageW(botao, BM_CLICK, 0, 0); }

}  // namespace

TEST(Aviso, SemConfirmacaoSoOTextoESemComoFechar) {
  int iProcessamentos = 0;
  MostraAviso("Uma nova versão", false, false, nullptr, [&] { ++iProcessamentos; });
  TfrmMensagemConfirmarGenerica* form = frmMensagemConfirmarGenerica;
  ASSERT_NE(form, nullptr);
  const HWND janela = form->Handle();
  EXPECT_EQ(iProcessamentos, 1);  // drawn before returning
  EXPECT_TRUE(IsWindowVisible(janela));
  EXPECT_EQ(UnJanelasTeste::TextoJanela(janela), L"Aviso do Sistema");
  EXPECT_EQ(UnJanelasTeste::TextoJanela(form->lblMensagem), L"Uma nova versão");
  const LONG_PTR estilo = GetWindowLongPtrW(janela, GWL_STYLE);
  EXPECT_FALSE(estilo & WS_SYSMENU);  // no close box nor any other border icon
  EXPECT_FALSE(estilo & WS_THICKFRAME);
  const RECT r = Externo(janela);
  EXPECT_EQ(r.right - r.left, 540);
  EXPECT_EQ(r.bottom - r.top, 80);
  EXPECT_FALSE(IsWindowVisible(form->ckbConcordo));
  EXPECT_FALSE(IsWindowVisible(form->btnOk));
  EXPECT_FALSE(IsWindowVisible(form->Panel1));
  form->Close();
  EXPECT_EQ(frmMensagemConfirmarGenerica, nullptr);
  EXPECT_FALSE(IsWindow(janela));
}

TEST(Aviso, OkSoDepoisDeMarcarACiencia) {
  MostraAviso("Leia com atenção", true, false, nullptr, [] {});
  TfrmMensagemConfirmarGenerica* form = frmMensagemConfirmarGenerica;
  ASSERT_NE(form, nullptr);
  const HWND janela = form->Handle();
  const RECT r = Externo(janela);
  EXPECT_EQ(r.right - r.left, 540);
  EXPECT_EQ(r.bottom - r.top, 200);
  EXPECT_TRUE(IsWindowVisible(form->ckbConcordo));
  EXPECT_TRUE(IsWindowVisible(form->btnOk));
  EXPECT_EQ(UnJanelasTeste::TextoJanela(form->ckbConcordo), L"Estou ciente destas informações.");
  EXPECT_EQ(UnJanelasTeste::TextoJanela(form->btnOk), L"OK");
  // The panel keeps to the bottom edge at the new height; OK sits in it at 445, 7.
  RECT cliente, painel, ok;
  GetClientRect(janela, &cliente);
  GetWindowRect(form->Panel1, &painel);
  MapWindowPoints(nullptr, janela, reinterpret_cast<POINT*>(&painel), 2);
  EXPECT_EQ(painel.bottom, cliente.bottom);
  EXPECT_EQ(painel.bottom - painel.top, 40);
  GetWindowRect(form->btnOk, &ok);
  MapWindowPoints(nullptr, form->Panel1, reinterpret_cast<POINT*>(&ok), 2);
  EXPECT_EQ(ok.left, 445);
  EXPECT_EQ(ok.top, 7);

  EXPECT_FALSE(Habilitado(form->btnOk));
  Clica(form->ckbConcordo);
  EXPECT_TRUE(Habilitado(form->btnOk));
  Clica(form->ckbConcordo);
  EXPECT_FALSE(Habilitado(form->btnOk));
  Clica(form->btnOk);  // disabled: nothing happens
  EXPECT_TRUE(IsWindow(janela));
  Clica(form->ckbConcordo);
  Clica(form->btnOk);
  EXPECT_FALSE(IsWindow(janela));
  EXPECT_EQ(frmMensagemConfirmarGenerica, nullptr);
}

TEST(Aviso, TextoLongoNaoAumentaAJanela) {
  const std::string texto(3000, 'x');
  MostraAviso(std::string(40, ' ') + texto, false, false, nullptr, [] {});
  TfrmMensagemConfirmarGenerica* form = frmMensagemConfirmarGenerica;
  ASSERT_NE(form, nullptr);
  RECT rotulo;
  GetWindowRect(form->lblMensagem, &rotulo);
  EXPECT_EQ(rotulo.right - rotulo.left, 517);
  EXPECT_EQ(rotulo.bottom - rotulo.top, 72);
  const RECT r = Externo(form->Handle());
  EXPECT_EQ(r.bottom - r.top, 80);
  form->Close();
}

TEST(Aviso, CadaChamadaCriaUmaNovaJanelaEAAutomaticaSeFecha) {
  MostraAviso("primeiro", true, false, nullptr, [] {});
  TfrmMensagemConfirmarGenerica* primeiro = frmMensagemConfirmarGenerica;
  ASSERT_NE(primeiro, nullptr);
  const HWND janelaPrimeiro = primeiro->Handle();
  HWND janelaSegundo = nullptr;
  MostraAviso("AVISO: Existe uma nova versão do aplicativo MonitorCTe.", false, true, nullptr, [&] {
    janelaSegundo = frmMensagemConfirmarGenerica->Handle();
    EXPECT_TRUE(IsWindowVisible(janelaSegundo));
  });
  EXPECT_NE(janelaSegundo, janelaPrimeiro);
  EXPECT_FALSE(IsWindow(janelaSegundo));
  // The newest one closed; the first is still open and the form variable is empty.
  EXPECT_TRUE(IsWindow(janelaPrimeiro));
  EXPECT_EQ(frmMensagemConfirmarGenerica, nullptr);
  DestroyWindow(janelaPrimeiro);
}
