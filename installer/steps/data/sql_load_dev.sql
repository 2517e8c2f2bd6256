-- Devices: the temporary table the load file fills and the procedure that moves its rows
-- into KORX_DEVICE, replacing devices of the same name.
CREATE TABLE LOAD_DEV (device_name varchar(255), anno_id varchar(64), device_desc varchar(255),
  device_prefix varchar(64))
GO
CREATE PROCEDURE KORX_SP_LOAD_DEV AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM TREL3..KORX_DEVICE WHERE device_name IN (SELECT device_name FROM LOAD_DEV);
INSERT INTO TREL3..KORX_DEVICE (device_name, anno_id, device_desc, device_prefix)
  SELECT device_name, anno_id, device_desc, device_prefix FROM LOAD_DEV;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (2, 'SUCCESS', 'Devices loaded');
COMMIT TRANSACTION;
GO
