-- Brings the laboratory metadata that data objects 3.0 left up to what later library
-- content expects: an algorithm without a user-set flag gets '0', a probe array without a
-- deleted flag counts as present. The procedure stays until the analysis parameter update
-- drops it.
CREATE PROCEDURE KORX_SP_UPDATE_TREL30 AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
UPDATE TREL3..KORX_ALGORITHM SET userset_flag = '0' WHERE userset_flag IS NULL OR userset_flag = '';
UPDATE TREL3..KORX_PROBE_ARRAY SET deleted_flag = 0 WHERE deleted_flag IS NULL;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (11, 'SUCCESS', 'Metadata updated');
COMMIT TRANSACTION;
GO
EXEC KORX_SP_UPDATE_TREL30
GO
