SET ECHO OFF
CREATE TABLE LOAD_PROTOCOL_FILE (assay_name VARCHAR2(255), protocol_name VARCHAR2(255),
  step_number VARCHAR2(16), step_text VARCHAR2(1024));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_PROTOCOL AS
BEGIN
  DELETE FROM KORX_ASSAY_PROTOCOL WHERE assay_name IN (SELECT assay_name FROM LOAD_PROTOCOL_FILE);
  INSERT INTO KORX_ASSAY_PROTOCOL (assay_name, protocol_name, step_number, step_text)
    SELECT assay_name, protocol_name, step_number, step_text FROM LOAD_PROTOCOL_FILE;
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (0, 'SUCCESS', 'Assays loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (0, 'FAILED', 'Assays not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_PROTOCOL;
/
EXIT
