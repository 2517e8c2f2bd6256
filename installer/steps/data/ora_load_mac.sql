SET ECHO OFF
CREATE TABLE LOAD_MAC_FILE (protocol_name VARCHAR2(255), step_value VARCHAR2(1024));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_MAC AS
BEGIN
  DELETE FROM KORX_FLUIDICS_PROTOCOL WHERE protocol_name IN (SELECT protocol_name FROM LOAD_MAC_FILE);
  INSERT INTO KORX_FLUIDICS_PROTOCOL (protocol_name, step_value)
    SELECT protocol_name, step_value FROM LOAD_MAC_FILE;
  INSERT INTO KORX_PARAMETER_SET (param_set_name, param_type)
    SELECT DISTINCT protocol_name, 'Hybridization' FROM LOAD_MAC_FILE l WHERE NOT EXISTS
    (SELECT 1 FROM KORX_PARAMETER_SET s WHERE s.param_set_name = l.protocol_name
    AND s.param_type = 'Hybridization');
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (7, 'SUCCESS', 'Fluidics protocols loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (7, 'FAILED', 'Fluidics protocols not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_MAC;
/
EXIT
