-- Probe sequences: the temporary table the load file fills and the procedure that replaces
-- the loaded array types' sequences with its rows.
CREATE TABLE LOAD_SIF_FILE (array_type varchar(255), probe_set_name varchar(255),
  sequence varchar(8000))
GO
CREATE PROCEDURE KORX_SP_LOAD_SIF AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM KORX_PROBE_SEQUENCE WHERE array_type IN (SELECT array_type FROM LOAD_SIF_FILE);
INSERT INTO KORX_PROBE_SEQUENCE (array_type, probe_set_name, sequence)
  SELECT array_type, probe_set_name, sequence FROM LOAD_SIF_FILE;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (8, 'SUCCESS', 'Sequences loaded');
COMMIT TRANSACTION;
GO
