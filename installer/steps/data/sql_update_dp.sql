-- The analysis parameters the laboratory holds, brought in line with its probe arrays after
-- a library update: a deleted array's parameters go unless the array was installed again,
-- and every array type with analysis parameters (not the controls' 'ALL', not scan rows) is
-- a present probe array.
CREATE PROCEDURE KORX_SP_UPDATE_DP AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM TREL3..KORX_ALGORITHM_PARAM WHERE array_type IN (SELECT probe_array_name
  FROM TREL3..KORX_PROBE_ARRAY WHERE deleted_flag = 1) AND array_type NOT IN
  (SELECT probe_array_name FROM TREL3..KORX_PROBE_ARRAY WHERE deleted_flag = 0);
INSERT INTO TREL3..KORX_PROBE_ARRAY (probe_array_name, deleted_flag)
  SELECT DISTINCT array_type, 0 FROM TREL3..KORX_ALGORITHM_PARAM p WHERE p.array_type <> 'ALL'
  AND p.param_group <> 'Scan' AND NOT EXISTS (SELECT 1 FROM TREL3..KORX_PROBE_ARRAY a
  WHERE a.probe_array_name = p.array_type AND a.deleted_flag = 0);
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (12, 'SUCCESS', 'Analysis parameters updated');
COMMIT TRANSACTION;
GO
