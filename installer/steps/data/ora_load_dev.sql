SET ECHO OFF
CREATE TABLE LOAD_DEV (device_name VARCHAR2(255), anno_id VARCHAR2(64),
  device_desc VARCHAR2(255), device_prefix VARCHAR2(64));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_DEV AS
BEGIN
  DELETE FROM KORX_DEVICE WHERE device_name IN (SELECT device_name FROM LOAD_DEV);
  INSERT INTO KORX_DEVICE (device_name, anno_id, device_desc, device_prefix)
    SELECT device_name, anno_id, device_desc, device_prefix FROM LOAD_DEV;
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (2, 'SUCCESS', 'Devices loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (2, 'FAILED', 'Devices not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_DEV;
/
EXIT
