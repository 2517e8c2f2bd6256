-- Assays and assay protocols: the temporary table the load file fills and the procedure
-- that moves its rows into KORX_ASSAY_PROTOCOL, replacing the protocols of the same assays.
CREATE TABLE LOAD_PROTOCOL_FILE (assay_name varchar(255), protocol_name varchar(255),
  step_number varchar(16), step_text varchar(1024))
GO
CREATE PROCEDURE KORX_SP_LOAD_PROTOCOL AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM TREL3..KORX_ASSAY_PROTOCOL WHERE assay_name IN (SELECT assay_name FROM LOAD_PROTOCOL_FILE);
INSERT INTO TREL3..KORX_ASSAY_PROTOCOL (assay_name, protocol_name, step_number, step_text)
  SELECT assay_name, protocol_name, step_number, step_text FROM LOAD_PROTOCOL_FILE;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (0, 'SUCCESS', 'Assays loaded');
COMMIT TRANSACTION;
GO
