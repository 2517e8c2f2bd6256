-- Sample templates: the temporary table the load file fills and the procedure that moves
-- its rows into KORX_MIAME_TEMPLATE, replacing the attributes of the same templates.
CREATE TABLE LOAD_MIAME_FILE (template_name varchar(255), attribute_name varchar(255),
  attribute_type varchar(64), default_value varchar(1024))
GO
CREATE PROCEDURE KORX_SP_LOAD_MIAME AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM TREL3..KORX_MIAME_TEMPLATE WHERE template_name IN (SELECT template_name FROM LOAD_MIAME_FILE);
INSERT INTO TREL3..KORX_MIAME_TEMPLATE (template_name, attribute_name, attribute_type, default_value)
  SELECT template_name, attribute_name, attribute_type, default_value FROM LOAD_MIAME_FILE;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (10, 'SUCCESS', 'Templates loaded');
COMMIT TRANSACTION;
GO
