-- The laboratory database's tables that the install steps write, in the work database.
CREATE TABLE KORX_LIB_LOG (step int, status varchar(32), message varchar(255))
GO
CREATE TABLE KORX_ALGORITHM (alg_name varchar(255), alg_id varchar(64), alg_type varchar(64),
  prog_id varchar(255), cif_name varchar(255), userset_flag varchar(8))
GO
