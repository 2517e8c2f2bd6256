-- Fluidics protocols: the temporary table the load file fills and the procedure that
-- replaces each loaded protocol's steps with its rows.
CREATE TABLE LOAD_MAC_FILE (protocol_name varchar(255), step_value varchar(1024))
GO
CREATE PROCEDURE KORX_SP_LOAD_MAC AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM TREL3..KORX_FLUIDICS_PROTOCOL WHERE protocol_name IN (SELECT protocol_name FROM LOAD_MAC_FILE);
INSERT INTO TREL3..KORX_FLUIDICS_PROTOCOL (protocol_name, step_value)
  SELECT protocol_name, step_value FROM LOAD_MAC_FILE;
INSERT INTO TREL3..KORX_PARAMETER_SET (param_set_name, param_type)
  SELECT DISTINCT protocol_name, 'Hybridization' FROM LOAD_MAC_FILE l WHERE NOT EXISTS
  (SELECT 1 FROM TREL3..KORX_PARAMETER_SET s WHERE s.param_set_name = l.protocol_name
  AND s.param_type = 'Hybridization');
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (7, 'SUCCESS', 'Fluidics protocols loaded');
COMMIT TRANSACTION;
GO
