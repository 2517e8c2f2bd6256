SET ECHO OFF
CREATE OR REPLACE PROCEDURE KORX_SP_UPDATE_DP AS
BEGIN
  DELETE FROM KORX_ALGORITHM_PARAM WHERE array_type IN (SELECT probe_array_name
    FROM KORX_PROBE_ARRAY WHERE deleted_flag = 1) AND array_type NOT IN
    (SELECT probe_array_name FROM KORX_PROBE_ARRAY WHERE deleted_flag = 0);
  INSERT INTO KORX_PROBE_ARRAY (probe_array_name, deleted_flag)
    SELECT DISTINCT array_type, 0 FROM KORX_ALGORITHM_PARAM p WHERE p.array_type <> 'ALL'
    AND p.param_group <> 'Scan' AND NOT EXISTS (SELECT 1 FROM KORX_PROBE_ARRAY a
    WHERE a.probe_array_name = p.array_type AND a.deleted_flag = 0);
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (12, 'SUCCESS', 'Analysis parameters updated');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (12, 'FAILED', 'Analysis parameters not updated');
    COMMIT;
    RAISE;
END KORX_SP_UPDATE_DP;
/
EXIT
