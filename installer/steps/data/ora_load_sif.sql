SET ECHO OFF
CREATE TABLE LOAD_SIF_FILE (array_type VARCHAR2(255), probe_set_name VARCHAR2(255),
  sequence VARCHAR2(8000));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_SIF AS
BEGIN
  DELETE FROM KORX_PROBE_SEQUENCE WHERE array_type IN (SELECT array_type FROM LOAD_SIF_FILE);
  INSERT INTO KORX_PROBE_SEQUENCE (array_type, probe_set_name, sequence)
    SELECT array_type, probe_set_name, sequence FROM LOAD_SIF_FILE;
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (8, 'SUCCESS', 'Sequences loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (8, 'FAILED', 'Sequences not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_SIF;
/
EXIT
