#!/usr/bin/env bash
# Runs monitor-cte on a demo installation: an ERP folder, a "Dados" folder with an embedded
# Firebird database, two issuing companies and their CT-e folder trees with answers of every
# kind. Usage: bash scripts/demo.sh [folder]   (a temporary folder when none is given)
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)

bash scripts/instala-dependencias.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target monitor-cte

PASTA=${1:-$(mktemp -d /tmp/demo-monitor-cte-XXXXXX)}
mkdir -p "$PASTA"
PASTA=$(cd "$PASTA" && pwd)
ERP="$PASTA/quelvix"
DADOS="$PASTA/Dados"
CTE="$PASTA/cte"
rm -rf "$ERP" "$DADOS" "$CTE"
mkdir -p "$ERP" "$DADOS" "$CTE"

cp build/monitor-cte "$ERP/monitor-cte"
printf '[IniServidor]\r\nnomearquivo=%s/servidor.ini\r\n' "$DADOS" > "$ERP/quelvixempresa.ini"
printf '[Database]\r\nServidor=\r\npath=%s/\r\nname=banco.fdb\r\n' "$DADOS" > "$DADOS/servidor.ini"
# Nothing is downloaded in the demo: the self-update is switched off.
touch "$ERP/DebugarDelphi.tmp"

EMPRESA_A=11222333000181
EMPRESA_B=44555666000199
chave() { printf '352612%s57001%09d1%08d0' "$1" "$2" "$2"; }

{
  echo "create database '$DADOS/banco.fdb' user 'SYSDBA' page_size 8192 default character set none;"
  cat tests/suporte/esquema-erp.sql
  echo "insert into TAB_PARAMETRO values (1, '$CTE');"
  echo "insert into CAD_PESSOA values (1, 1, '$EMPRESA_A', 'S');"
  echo "insert into CAD_PESSOA values (2, 2, '$EMPRESA_B', 'S');"
  for n in 1 2 3 4 5 6; do
    empresa=1; cnpj=$EMPRESA_A
    [ "$n" -gt 4 ] && { empresa=2; cnpj=$EMPRESA_B; }
    echo "insert into MOV_CTE values ($n, $n, $empresa);"
    echo "insert into MOV_CTE_RET (id_cte, cd_chave_acesso_cte, NO_COD_NUMERICO_CTE) values ($n, 'CTe$(chave "$cnpj" "$n")', $n);"
  done
  echo "commit;"
} | isql-fb -q -user SYSDBA >/dev/null

NS='xmlns="http://www.portalfiscal.inf.br/cte"'
resposta() {  # file, content: an answer the transmitter finished a minute ago
  mkdir -p "$(dirname "$1")"
  printf '%s' "$2" > "$1"
  touch -d '1 minute ago' "$1"
}
prot() {  # key, protocol
  printf '<protCTe versao="3.00"><infProt><tpAmb>2</tpAmb><chCTe>%s</chCTe><dhRecbto>2026-12-09T10:11:12-03:00</dhRecbto><nProt>%s</nProt><cStat>100</cStat><xMotivo>Autorizado o uso do CT-e</xMotivo></infProt></protCTe>' "$1" "$2"
}

R="$CTE/$EMPRESA_A/Retorno"
K1=$(chave $EMPRESA_A 1); K2=$(chave $EMPRESA_A 2); K3=$(chave $EMPRESA_A 3); K4=$(chave $EMPRESA_A 4)
resposta "$R/CTe$K1-num-lot.xml" "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DadosLoteCTe $NS><NumeroLoteGerado>101</NumeroLoteGerado></DadosLoteCTe>"
resposta "$R/000000000000101-rec.xml" "<retEnviCte $NS versao=\"3.00\"><tpAmb>2</tpAmb><cStat>103</cStat><xMotivo>Lote recebido com sucesso</xMotivo><infRec><nRec>351000000000101</nRec><dhRecbto>2026-12-09T10:00:00-03:00</dhRecbto><tMed>1</tMed></infRec></retEnviCte>"
resposta "$R/351000000000102-pro-rec.xml" "<retConsReciCTe $NS versao=\"3.00\"><tpAmb>2</tpAmb><nRec>351000000000102</nRec><cStat>104</cStat><xMotivo>Lote processado</xMotivo></retConsReciCTe>"
resposta "$R/351000000000103-pro-rec.xml" "<retConsReciCTe $NS versao=\"3.00\"><tpAmb>2</tpAmb><nRec>351000000000103</nRec><cStat>100</cStat><xMotivo>Lote processado</xMotivo>$(prot "$K2" 135260000000002)</retConsReciCTe>"
resposta "$R/$K3-sit.xml" "<retConsSitCTe $NS versao=\"3.00\"><tpAmb>2</tpAmb><cStat>100</cStat><xMotivo>Autorizado o uso do CT-e</xMotivo>$(prot "$K3" 135260000000003)</retConsSitCTe>"
resposta "$R/CTe$K4-eve.xml" "<retEventoCTe $NS versao=\"3.00\"><infEvento><tpAmb>2</tpAmb><cStat>135</cStat><xMotivo>Evento registrado e vinculado a CT-e</xMotivo><chCTe>$K4</chCTe><tpEvento>110111</tpEvento><nSeqEvento>1</nSeqEvento><dhRegEvento>2026-12-09T11:00:00-03:00</dhRegEvento><nProt>135260000000104</nProt></infEvento></retEventoCTe>"
mkdir -p "$CTE/$EMPRESA_A/Enviado/Autorizados/$(date +%Y%m)"
printf '<cteProc %s/>' "$NS" > "$CTE/$EMPRESA_A/Enviado/Autorizados/$(date +%Y%m)/CTe$K2-procCTe.xml"

R="$CTE/$EMPRESA_B/Retorno"
K5=$(chave $EMPRESA_B 5); K6=$(chave $EMPRESA_B 6)
resposta "$R/$K5-sit.xml" "<retConsSitCTe $NS versao=\"3.00\"><tpAmb>2</tpAmb><cStat>101</cStat><xMotivo>Cancelamento de CT-e homologado</xMotivo>$(prot "$K5" 135260000000005)<procEventoCTe versao=\"3.00\"><eventoCTe versao=\"3.00\"><infEvento><tpEvento>310620</tpEvento><dhEvento>2026-12-09T09:00:00-03:00</dhEvento></infEvento></eventoCTe></procEventoCTe><procEventoCTe versao=\"3.00\"><eventoCTe versao=\"3.00\"><infEvento><tpEvento>110111</tpEvento><dhEvento>2026-12-09T12:00:00-03:00</dhEvento><detEvento><evCancCTe><nProt>135260000000005</nProt><xJust>Erro de digitacao no valor</xJust></evCancCTe></detEvento></infEvento></eventoCTe></procEventoCTe></retConsSitCTe>"
resposta "$R/CTe$K6-ped-sit.err" "Falha na conexao com o servidor da SEFAZ"
resposta "$R/CTe99999999999999999999999999999999999999999999-eve.xml" "<retEventoCTe $NS versao=\"3.00\"><infEvento><cStat>135</cStat><chCTe>99999999999999999999999999999999999999999999</chCTe><tpEvento>110111</tpEvento><dhRegEvento>2026-12-09T11:00:00-03:00</dhRegEvento><nProt>135260000000999</nProt></infEvento></retEventoCTe>"

# A stand-in for the ERP program: the monitor ends by itself when no ERP program runs.
cp /bin/sleep "$PASTA/quelvixEmpresa.exe"
"$PASTA/quelvixEmpresa.exe" infinity &
ERP_PID=$!
trap 'kill $ERP_PID 2>/dev/null || true' EXIT

echo "Demo installation in $PASTA (Ctrl+C ends the monitor)"
cd "$ERP"
./monitor-cte || true
echo
echo "Answers recorded in MOV_CTE_RET:"
echo "select id_cte, NO_LOTE_CTE, cd_st_recebto_cte, CD_ST_CTE, NO_PROTOCOLO_CTE, CD_ST_CAN_CTE from MOV_CTE_RET;" \
  | isql-fb -q -user SYSDBA "$DADOS/banco.fdb"
echo "Files left in the trees:"
(cd "$CTE" && find . -type f ! -name '*.lock' ! -path '*/Enviado/*' | sort)
