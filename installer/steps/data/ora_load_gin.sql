SET ECHO OFF
CREATE TABLE LOAD_GIN_URL (array_type VARCHAR2(255), identifier_source VARCHAR2(255),
  link_name VARCHAR2(255), url VARCHAR2(1024));
CREATE TABLE LOAD_GIN_HEAD (chip_type_title VARCHAR2(255), index_title VARCHAR2(255),
  identifier_title VARCHAR2(255), source_title VARCHAR2(255), probe_set_title VARCHAR2(255),
  description_title VARCHAR2(255), group_title VARCHAR2(255), sequence_type_title VARCHAR2(255),
  class_title_1 VARCHAR2(255), class_title_2 VARCHAR2(255), class_title_3 VARCHAR2(255),
  class_title_4 VARCHAR2(255), class_title_5 VARCHAR2(255), class_title_6 VARCHAR2(255),
  class_title_7 VARCHAR2(255), class_title_8 VARCHAR2(255), class_title_9 VARCHAR2(255),
  class_title_10 VARCHAR2(255));
CREATE TABLE LOAD_GIN_DES (array_type VARCHAR2(255), probe_index VARCHAR2(64),
  identifier VARCHAR2(255), identifier_source VARCHAR2(255), probe_set_name VARCHAR2(255),
  description VARCHAR2(2000), group_name VARCHAR2(255), sequence_type VARCHAR2(64),
  class_title VARCHAR2(255), class_value VARCHAR2(2000));
CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_GIN AS
BEGIN
  DELETE FROM KORX_GIN_URL WHERE array_type IN (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES);
  DELETE FROM KORX_GIN_HEADER WHERE array_type IN (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES);
  DELETE FROM KORX_GIN_DESCRIPTION WHERE array_type IN (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES);
  INSERT INTO KORX_GIN_URL (array_type, identifier_source, link_name, url)
    SELECT array_type, identifier_source, link_name, url FROM LOAD_GIN_URL;
  INSERT INTO KORX_GIN_HEADER (array_type, chip_type_title, index_title, identifier_title, source_title, probe_set_title,
    description_title, group_title, sequence_type_title, class_title_1, class_title_2,
    class_title_3, class_title_4, class_title_5, class_title_6, class_title_7, class_title_8,
    class_title_9, class_title_10)
    SELECT (SELECT MIN(array_type) FROM (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES) t), chip_type_title, index_title, identifier_title, source_title, probe_set_title,
    description_title, group_title, sequence_type_title, class_title_1, class_title_2,
    class_title_3, class_title_4, class_title_5, class_title_6, class_title_7, class_title_8,
    class_title_9, class_title_10 FROM LOAD_GIN_HEAD;
  INSERT INTO KORX_GIN_DESCRIPTION (array_type, probe_index, identifier, identifier_source, probe_set_name, description,
    group_name, sequence_type, class_title, class_value)
    SELECT array_type, probe_index, identifier, identifier_source, probe_set_name, description,
    group_name, sequence_type, class_title, class_value FROM LOAD_GIN_DES;
  INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (6, 'SUCCESS', 'Gene information loaded');
EXCEPTION
  WHEN OTHERS THEN
    ROLLBACK;
    INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (6, 'FAILED', 'Gene information not loaded');
    COMMIT;
    RAISE;
END KORX_SP_LOAD_GIN;
/
EXIT
