-- Algorithms: the temporary table the load file fills and the procedure that moves its
-- rows into KORX_ALGORITHM, replacing algorithms of the same name.
CREATE TABLE LOAD_ALG (alg_name varchar(255), alg_id varchar(64), alg_type varchar(64),
  prog_id varchar(255), cif_name varchar(255), userset_flag varchar(8))
GO
CREATE PROCEDURE KORX_SP_LOAD_ALG AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM TREL3..KORX_ALGORITHM WHERE alg_name IN (SELECT alg_name FROM LOAD_ALG);
INSERT INTO TREL3..KORX_ALGORITHM (alg_name, alg_id, alg_type, prog_id, cif_name, userset_flag)
  SELECT alg_name, alg_id, alg_type, prog_id, cif_name, userset_flag FROM LOAD_ALG;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (1, 'SUCCESS', 'Algorithms loaded');
COMMIT TRANSACTION;
GO
