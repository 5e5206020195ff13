#include "platform/UnLocalidade.h"

#include <windows.h>

#include "platform/win32/UnTextoLargo.h"

namespace UnLocalidade {

namespace {

// FILETIME counts 100 ns from 1601-01-01 UTC.
constexpr int64_t DE_1601_A_1970_MS = 11644473600000LL;

FILETIME ParaFileTime(int64_t milissegundosUtc) {
  ULARGE_INTEGER t;
  t.QuadPart = static_cast<ULONGLONG>(milissegundosUtc + DE_1601_A_1970_MS) * 10000ULL;
  FILETIME ft;
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  return ft;
}

using Formatador = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCWSTR, LPWSTR, int);

std::string Formata(Formatador formata, DWORD flags, const SYSTEMTIME& st) {
  wchar_t texto[128];
  const int iTamanho = formata(LOCALE_USER_DEFAULT, flags, &st, nullptr, texto, 128);
  if (iTamanho <= 1) return {};
  return UnTextoLargo::Estreito(std::wstring_view(texto, static_cast<size_t>(iTamanho - 1)));
}

}  // namespace

std::string SeparadorMilhar() {
  wchar_t separador[8];
  const int iTamanho = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separador, 8);
  if (iTamanho <= 1) return {};
  return UnTextoLargo::Estreito(std::wstring_view(separador, static_cast<size_t>(iTamanho - 1)));
}

// The conversion of FileTimeToLocalFileTime: the zone's bias in force now, not the one of the
// instant, as the file-date format of the workstation does it.
DataHora HoraLocal(int64_t milissegundosUtc) {
  const FILETIME utc = ParaFileTime(milissegundosUtc);
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

int64_t AgoraMilissegundos() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  return static_cast<int64_t>(t.QuadPart / 10000ULL) - DE_1601_A_1970_MS;
}

int64_t MonotonicoMilissegundos() { return static_cast<int64_t>(GetTickCount64()); }

DataHora Agora() { return HoraLocal(AgoraMilissegundos()); }

std::string FormataDataHoraPadrao(const DataHora& d) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(d.iAno);
  st.wMonth = static_cast<WORD>(d.iMes);
  st.wDay = static_cast<WORD>(d.iDia);
  st.wHour = static_cast<WORD>(d.iHora);
  st.wMinute = static_cast<WORD>(d.iMinuto);
  st.wSecond = static_cast<WORD>(d.iSegundo);
  std::string texto = Formata(GetDateFormatW, DATE_SHORTDATE, st);
  if (d.iHora != 0 || d.iMinuto != 0 || d.iSegundo != 0) {
    texto += ' ';
    texto += Formata(GetTimeFormatW, 0, st);  // LOCALE_STIMEFORMAT, the long time
  }
  return texto;
}

}  // namespace UnLocalidade
