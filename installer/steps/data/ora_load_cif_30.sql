SET ECHO OFF
CREATE TABLE LOAD_CIF_FILE (assay_type VARCHAR2(255), array_type VARCHAR2(255),
  label VARCHAR2(255), param_name VARCHAR2(255), param_value VARCHAR2(2000), param_type VARCHAR2(64),
  kind VARCHAR2(16), param_group VARCHAR2(32));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_CIF AS
BEGIN
  DELETE FROM KORX_ALGORITHM_PARAM WHERE EXISTS (SELECT 1 FROM LOAD_CIF_FILE l
    WHERE coalesce(l.assay_type, '') = coalesce(KORX_ALGORITHM_PARAM.assay_type, '')
    AND coalesce(l.array_type, '') = coalesce(KORX_ALGORITHM_PARAM.array_type, '')
    AND coalesce(l.label, '') = coalesce(KORX_ALGORITHM_PARAM.label, '')
    AND l.param_name = KORX_ALGORITHM_PARAM.param_name AND l.kind = KORX_ALGORITHM_PARAM.kind);
  INSERT INTO KORX_ALGORITHM_PARAM (assay_type, array_type, part_number, label, param_name,
    param_value, param_type, kind, param_group)
    SELECT assay_type, array_type, NULL, label, param_name, param_value, param_type, kind,
    param_group FROM LOAD_CIF_FILE;
  INSERT INTO KORX_PROBE_ARRAY (probe_array_name, deleted_flag)
    SELECT DISTINCT array_type, 0 FROM LOAD_CIF_FILE l WHERE l.array_type <> 'ALL'
    AND l.param_group <> 'Scan' AND NOT EXISTS (SELECT 1 FROM KORX_PROBE_ARRAY p
    WHERE p.probe_array_name = l.array_type AND p.deleted_flag = 0);
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (3, 'SUCCESS', 'Parameters loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (3, 'FAILED', 'Parameters not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_CIF;
/
EXIT
