SET ECHO OFF
CREATE TABLE LOAD_ALG (alg_name VARCHAR2(255), alg_id VARCHAR2(64), alg_type VARCHAR2(64),
  prog_id VARCHAR2(255), cif_name VARCHAR2(255), userset_flag VARCHAR2(8));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_ALG AS
BEGIN
  DELETE FROM KORX_ALGORITHM WHERE alg_name IN (SELECT alg_name FROM LOAD_ALG);
  INSERT INTO KORX_ALGORITHM (alg_name, alg_id, alg_type, prog_id, cif_name, userset_flag)
    SELECT alg_name, alg_id, alg_type, prog_id, cif_name, userset_flag FROM LOAD_ALG;
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (1, 'SUCCESS', 'Algorithms loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (1, 'FAILED', 'Algorithms not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_ALG;
/
EXIT
