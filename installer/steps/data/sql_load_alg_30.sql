-- Algorithms of a data object before 3.1: records without the user-set flag, which the
-- procedure leaves unset.
CREATE TABLE LOAD_ALG (alg_name varchar(255), alg_id varchar(64), alg_type varchar(64),
  prog_id varchar(255), cif_name varchar(255))
GO
CREATE PROCEDURE KORX_SP_LOAD_ALG AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM TREL3..KORX_ALGORITHM WHERE alg_name IN (SELECT alg_name FROM LOAD_ALG);
INSERT INTO TREL3..KORX_ALGORITHM (alg_name, alg_id, alg_type, prog_id, cif_name)
  SELECT alg_name, alg_id, alg_type, prog_id, cif_name FROM LOAD_ALG;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (1, 'SUCCESS', 'Algorithms loaded');
COMMIT TRANSACTION;
GO
