// The system's structures as this build lays them out: the 32-bit product depends on the
// sizes the shell and the process list expect.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#ifndef _WIN64
static_assert(sizeof(NOTIFYICONDATAW) == 956, "the full NOTIFYICONDATAW of 32-bit Windows");
static_assert(sizeof(PROCESSENTRY32W) == 556, "PROCESSENTRY32W of 32-bit Windows");
#endif

TEST(Tamanhos, EstruturasDoShellEDaListaDeProcessos) {
#ifdef _WIN64
  EXPECT_EQ(sizeof(NOTIFYICONDATAW), 976u);
  EXPECT_EQ(sizeof(PROCESSENTRY32W), 568u);
#else
  EXPECT_EQ(sizeof(NOTIFYICONDATAW), 956u);
  EXPECT_EQ(sizeof(PROCESSENTRY32W), 556u);
#endif
}
