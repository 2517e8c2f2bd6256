SET ECHO OFF
CREATE TABLE LOAD_MIAME_FILE (template_name VARCHAR2(255), attribute_name VARCHAR2(255),
  attribute_type VARCHAR2(64), default_value VARCHAR2(1024));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_MIAME AS
BEGIN
  DELETE FROM KORX_MIAME_TEMPLATE WHERE template_name IN (SELECT template_name FROM LOAD_MIAME_FILE);
  INSERT INTO KORX_MIAME_TEMPLATE (template_name, attribute_name, attribute_type, default_value)
    SELECT template_name, attribute_name, attribute_type, default_value FROM LOAD_MIAME_FILE;
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (10, 'SUCCESS', 'Templates loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (10, 'FAILED', 'Templates not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_MIAME;
/
EXIT
