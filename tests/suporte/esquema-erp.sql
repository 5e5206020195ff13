-- The ERP tables the monitor works in, in the types the ERP gives their columns.
create table TAB_PARAMETRO (ID_PARAMETRO integer not null primary key, NM_CAMINHO_RAIZ_CTE varchar(255));
create table CAD_PESSOA (id_pessoa integer not null primary key, id_empresa integer, no_cnpj_cpf varchar(20), st_emitente_cte char(1));
create table MOV_CTE (id_cte integer not null primary key, NO_DOC_CTE integer, id_empresa_cte integer);
create table MOV_CTE_RET (id_cte integer not null primary key, cd_chave_acesso_cte varchar(47), NO_COD_NUMERICO_CTE integer, NO_LOTE_CTE integer, cd_st_recebto_cte smallint, no_recibo_cte numeric(18,0), dh_recebto_cte timestamp, qt_media_resposta_cte integer, cd_st_lote_cte smallint, NO_PROTOCOLO_CTE numeric(18,0), DH_PROCESSA_CTE timestamp, CD_ST_CTE smallint, NO_PROTOCOLO_CAN_CTE numeric(18,0), DH_PROCESSA_CAN_CTE timestamp, CD_ST_CAN_CTE smallint);
create table MOV_LOG_ATUALIZACAO (NO_LOG_ATUALIZACAO integer);
