-- The laboratory database's tables that the install steps write, in the login's schema.
CREATE TABLE KORX_LIB_LOG (step NUMBER, status VARCHAR2(32), message VARCHAR2(255));
CREATE TABLE KORX_ALGORITHM (alg_name VARCHAR2(255), alg_id VARCHAR2(64), alg_type VARCHAR2(64),
  prog_id VARCHAR2(255), cif_name VARCHAR2(255), userset_flag VARCHAR2(8));
EXIT
